// What one selection change costs the library, without the host's own export: reading the file,
// decoding it and drawing it scaled into the 160 x 120 image area. Measured in the same run
// against the floor (libjpeg decoding the same bytes at full size, plus one scaling to the same
// size) and against what an add-in author would otherwise use (the platform's OleLoadPicture and
// render). Beside them, the peak memory of one preview, each in a fresh process so that nothing
// before it has raised the peak. Prints medians and ratios; run with ./build.sh bench.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <csetjmp>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "platform/Owners.h"
#include "testkit/JpegWriter.h"
#include "testkit/Presentation.h"
#include "testkit/Screen.h"
#include "ui/Geometry.h"
#include "ui/PictureLoader.h"
#include "ui/Resample.h"
#include "ui/jpeg/JpegPicture.h"

namespace {

double MedianMsec(int runs, const std::function<void()>& work) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

// libjpeg with its defaults, nothing of ours: the floor. BGR rows padded to four bytes, or tightly
// packed RGB for encoding again.
std::vector<unsigned char> BareDecode(const std::vector<unsigned char>& bytes, int& w, int& h, bool rgb = false) {
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&c, TRUE);
  c.out_color_space = rgb ? JCS_RGB : JCS_EXT_BGR;
  jpeg_start_decompress(&c);
  w = static_cast<int>(c.output_width);
  h = static_cast<int>(c.output_height);
  const std::size_t stride = rgb ? w * 3u : (static_cast<std::size_t>(w) * 3 + 3) & ~static_cast<std::size_t>(3);
  std::vector<unsigned char> px(stride * h);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = &px[c.output_scanline * stride];
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return px;
}

std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize;  // Wine keeps no peak of private bytes; the working set's will do
}

// In a process of its own: one selection change's load and first draw, as the dialog does them.
// The exit code is the peak's growth in kilobytes.
int MeasurePeak(const char* path, int width, int height) {
  jpeg::RegisterJpegFormat(jpeg::ScreenColourDepth());
  testkit::Canvas canvas;
  const ui::Bounds fit = ui::FitPicture(width, height, 160, 120, true, true, true);
  const std::size_t before = PeakWorkingSet();
  {
    auto picture = ui::LoadPictureFromFile(path);
    picture->Draw(canvas.dc, fit);
  }
  const std::size_t peak = PeakWorkingSet();
  jpeg::UnregisterJpegFormat();
  return static_cast<int>((peak - before) / 1024);
}

double PeakInFreshProcess(const std::string& path, int width, int height) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self + "\" --peak \"" + path + "\" " + std::to_string(width) + " " +
                        std::to_string(height);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  DWORD kilobytes = 0;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    const platform::KernelHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), 60000);
    GetExitCodeProcess(process.get(), &kilobytes);
  }
  return kilobytes / 1024.0;
}

struct Slide {
  int width, height;
  bool progressive;
  bool detailed;  // fine detail everywhere instead of a slide: a large file, slow to decode
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--peak") return MeasurePeak(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  CoInitialize(nullptr);
  jpeg::RegisterJpegFormat(jpeg::ScreenColourDepth());
  char tempDir[MAX_PATH];
  GetTempPathA(MAX_PATH, tempDir);
  testkit::Canvas canvas;
  std::printf("%-17s %8s %10s %10s %10s %10s %10s %10s %10s %8s\n", "slide", "file", "library", "decode", "scaling",
              "platform", "lib/floor", "lib/plat", "peak mem", "peak-file");
  const Slide slides[] = {{1024, 768, false, false},  {1920, 1080, false, false}, {4000, 3000, false, false},
                          {8000, 6000, false, false}, {1920, 1080, true, false},  {4000, 3000, true, false},
                          {4000, 3000, false, true}};
  for (const Slide& slide : slides) {
    testkit::SlideSetup setup;
    setup.width = slide.width;
    setup.height = slide.height;
    std::vector<std::uint8_t> jpegBytes;
    if (slide.detailed) {
      std::vector<std::uint8_t> pixels(static_cast<std::size_t>(slide.width) * slide.height * 3);
      for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31 / 7);
      jpegBytes = testkit::EncodeJpeg(pixels, slide.width, slide.height, 3);
    } else {
      jpegBytes = testkit::RenderSlideJpeg(3, setup);
    }
    if (slide.progressive) {  // the same slide, written again as a progressive file
      int w = 0, h = 0;
      const auto rgb = BareDecode(jpegBytes, w, h, true);
      testkit::JpegWriteOptions options;
      options.progressive = true;
      jpegBytes = testkit::EncodeJpeg(rgb, w, h, 3, options);
    }
    const std::string path = std::string(tempDir) + "pathmr-bench-" + std::to_string(slide.width) +
                             (slide.progressive ? "p" : "") + (slide.detailed ? "d" : "") + ".jpg";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(jpegBytes.data(), 1, jpegBytes.size(), f);
      std::fclose(f);
    }
    const double fileMb = jpegBytes.size() / 1048576.0;
    jpegBytes = {};
    const ui::Bounds fit = ui::FitPicture(slide.width, slide.height, 160, 120, true, true, true);
    const int runs = slide.width > 5000 ? 5 : slide.width > 2000 ? 7 : 21;

    const double library = MedianMsec(runs, [&] {
      auto picture = ui::LoadPictureFromFile(path);
      picture->Draw(canvas.dc, fit);
    });
    int w = 0, h = 0;
    std::vector<unsigned char> decoded;
    const double decode = MedianMsec(runs, [&] { decoded = BareDecode(ReadAll(path), w, h); });
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~static_cast<std::size_t>(3);
    const double scaling = MedianMsec(runs, [&] { ui::ScaleBgr(decoded.data(), w, h, stride, fit.width, fit.height); });
    decoded = {};
    const double platform = MedianMsec(runs, [&] {
      const auto bytes = ReadAll(path);
      HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
      std::copy(bytes.begin(), bytes.end(), static_cast<unsigned char*>(GlobalLock(global)));
      GlobalUnlock(global);
      IStream* stream = nullptr;
      CreateStreamOnHGlobal(global, TRUE, &stream);
      IPicture* picture = nullptr;
      if (SUCCEEDED(OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                   reinterpret_cast<void**>(&picture)))) {
        OLE_XSIZE_HIMETRIC hw = 0;
        OLE_YSIZE_HIMETRIC hh = 0;
        picture->get_Width(&hw);
        picture->get_Height(&hh);
        picture->Render(canvas.dc, fit.left, fit.top, fit.width, fit.height, 0, hh, hw, -hh, nullptr);
        picture->Release();
      }
      stream->Release();
    });
    std::fflush(stdout);
    const double peak = PeakInFreshProcess(path, slide.width, slide.height);
    DeleteFileA(path.c_str());
    char label[32];
    std::snprintf(label, sizeof label, "%dx%d%s", slide.width, slide.height,
                  slide.progressive ? " progr." : slide.detailed ? " detail" : "");
    std::printf("%-17s %6.2fMB %8.2fms %8.2fms %8.2fms %8.2fms %9.2fx %9.2fx %8.1fMB %6.1fMB\n", label, fileMb, library,
                decode, scaling, platform, library / (decode + scaling), library / platform, peak, peak - fileMb);
  }
  jpeg::UnregisterJpegFormat();
  CoUninitialize();
  return 0;
}

// What one selection change costs the library, without the host's own export: reading the file,
// decoding it and drawing it scaled into the 160 x 120 image area. Measured in the same run
// against the floor (libjpeg decoding the same bytes, plus one scaling to the same size) and
// against what an add-in author would otherwise use (the platform's OleLoadPicture and render).
// Prints medians and ratios; run with ./build.sh bench.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <csetjmp>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "testkit/Presentation.h"
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

// libjpeg with its defaults, nothing of ours: the floor.
std::vector<unsigned char> BareDecode(const std::vector<unsigned char>& bytes, int& w, int& h) {
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&c);
  w = static_cast<int>(c.output_width);
  h = static_cast<int>(c.output_height);
  const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~static_cast<std::size_t>(3);
  std::vector<unsigned char> px(stride * h);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = &px[c.output_scanline * stride];
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return px;
}

struct Canvas {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 160, 120);
  HGDIOBJ old = SelectObject(dc, bitmap);
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
};

}  // namespace

int main() {
  CoInitialize(nullptr);
  jpeg::RegisterJpegFormat(jpeg::ScreenColourDepth());
  char tempDir[MAX_PATH];
  GetTempPathA(MAX_PATH, tempDir);
  Canvas canvas;
  std::printf("%-11s %10s %10s %10s %10s %12s %12s\n", "slide", "library", "decode", "scaling", "platform",
              "lib/floor", "lib/platform");
  const std::pair<int, int> sizes[] = {{1024, 768}, {1920, 1080}, {4000, 3000}};
  for (const auto& size : sizes) {
    testkit::SlideSetup setup;
    setup.width = size.first;
    setup.height = size.second;
    const std::string path = std::string(tempDir) + "pathmr-bench-" + std::to_string(size.first) + ".jpg";
    const auto jpegBytes = testkit::RenderSlideJpeg(3, setup);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(jpegBytes.data(), 1, jpegBytes.size(), f);
      std::fclose(f);
    }
    const ui::Bounds fit = ui::FitPicture(size.first, size.second, 160, 120, true, true, true);
    const int runs = size.first > 2000 ? 7 : 21;

    const double library = MedianMsec(runs, [&] {
      auto picture = ui::LoadPictureFromFile(path);
      picture->Draw(canvas.dc, fit);
    });
    int w = 0, h = 0;
    std::vector<unsigned char> decoded;
    const double decode = MedianMsec(runs, [&] { decoded = BareDecode(ReadAll(path), w, h); });
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~static_cast<std::size_t>(3);
    const double scaling = MedianMsec(runs, [&] { ui::ScaleBgr(decoded.data(), w, h, stride, fit.width, fit.height); });
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
    DeleteFileA(path.c_str());
    char label[32];
    std::snprintf(label, sizeof label, "%dx%d", size.first, size.second);
    std::printf("%-11s %8.2fms %8.2fms %8.2fms %8.2fms %11.2fx %11.2fx\n", label, library, decode, scaling, platform,
                library / (decode + scaling), library / platform);
  }
  jpeg::UnregisterJpegFormat();
  CoUninitialize();
  return 0;
}

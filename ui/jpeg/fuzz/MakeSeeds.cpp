// make_seeds <folder>: writes the fuzzer's starting corpus, small JPEG files made here with libjpeg.
// Each one opens a different path through the reader: colour and grey, baseline, progressive and
// one scan per component, each chroma subsampling, restart markers, optimised and arithmetic
// entropy coding, RGB and CMYK pictures, extra markers, 1 x 1 and odd sizes. The output is the
// same on every run, so the committed seeds are exactly what this program writes.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

struct Seed {
  const char* name;
  int width, height;
  int components;                // 1 grey, 3 colour, 4 CMYK
  int h0 = 2, v0 = 2;            // sampling factors of the first component; the others are 1 x 1
  bool progressive = false;
  bool perComponentScans = false;  // sequential, but one scan for each component
  int restartInterval = 0;       // in MCUs
  int restartRows = 0;           // in MCU rows
  int quality = 75;
  bool optimize = false;
  bool arithmetic = false;
  bool rgb = false;              // stored as RGB, without the colour transform
  bool markers = false;          // a comment and an application marker before the picture
};

// A soft gradient with a few hard edges and a little noise: enough detail to fill every part of
// the entropy coder, little enough to keep the files small.
std::vector<JSAMPLE> Pixels(const Seed& s) {
  std::vector<JSAMPLE> px(static_cast<std::size_t>(s.width) * s.height * s.components);
  std::uint32_t noise = 12345u + static_cast<std::uint32_t>(s.width * 31 + s.height);
  std::size_t i = 0;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      for (int c = 0; c < s.components; ++c) {
        noise = noise * 1103515245u + 12345u;
        int v = (x * 255) / (s.width > 1 ? s.width - 1 : 1) * (c + 1) / 2 + (y * 160) / (s.height > 1 ? s.height - 1 : 1);
        if (((x / 5) + (y / 3) + c) % 4 == 0) v = 255 - v;
        v += static_cast<int>((noise >> 24) & 15) - 8;
        px[i++] = static_cast<JSAMPLE>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
  return px;
}

struct ErrorJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JumpOnError(j_common_ptr c) {
  (*c->err->output_message)(c);
  std::longjmp(reinterpret_cast<ErrorJump*>(c->err)->jump, 1);
}

struct Encoder {
  jpeg_compress_struct cinfo;
  ErrorJump err;
  jpeg_scan_info scans[4];
  unsigned char* out;
  unsigned long outSize;
};

// No C++ object lives in this frame: libjpeg's errors jump back into it.
bool Encode(Encoder* e, const Seed& s, const JSAMPLE* pixels) {
  jpeg_compress_struct& c = e->cinfo;
  c.err = jpeg_std_error(&e->err.pub);
  e->err.pub.error_exit = JumpOnError;
  if (setjmp(e->err.jump)) return false;
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &e->out, &e->outSize);
  c.image_width = static_cast<JDIMENSION>(s.width);
  c.image_height = static_cast<JDIMENSION>(s.height);
  c.input_components = s.components;
  c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  if (s.rgb) jpeg_set_colorspace(&c, JCS_RGB);
  jpeg_set_quality(&c, s.quality, TRUE);
  if (s.components > 1) {
    c.comp_info[0].h_samp_factor = s.h0;
    c.comp_info[0].v_samp_factor = s.v0;
    for (int i = 1; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  }
  c.restart_interval = static_cast<unsigned>(s.restartInterval);
  c.restart_in_rows = s.restartRows;
  c.optimize_coding = s.optimize ? TRUE : FALSE;
  c.arith_code = s.arithmetic ? TRUE : FALSE;
  if (s.progressive) jpeg_simple_progression(&c);
  if (s.perComponentScans) {
    for (int i = 0; i < c.num_components; ++i) {
      jpeg_scan_info& scan = e->scans[i];
      scan.comps_in_scan = 1;
      scan.component_index[0] = i;
      scan.Ss = 0;
      scan.Se = 63;
      scan.Ah = scan.Al = 0;
    }
    c.scan_info = e->scans;
    c.num_scans = c.num_components;
  }
  jpeg_start_compress(&c, TRUE);
  if (s.markers) {
    static const char comment[] = "seed";
    jpeg_write_marker(&c, JPEG_COM, reinterpret_cast<const JOCTET*>(comment), sizeof comment - 1);
    static const JOCTET app[] = {'x', 0, 1, 2, 3, 0xFF, 0xD9, 4};
    jpeg_write_marker(&c, JPEG_APP0 + 9, app, sizeof app);
  }
  const std::size_t rowBytes = static_cast<std::size_t>(s.width) * s.components;
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + c.next_scanline * rowBytes);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  return true;
}

std::vector<Seed> Seeds() {
  std::vector<Seed> v;
  auto add = [&v](const char* name, int w, int h, int comps) -> Seed& {
    v.push_back(Seed{name, w, h, comps});
    return v.back();
  };
  add("colour-1x1-420.jpg", 1, 1, 3);
  add("grey-1x1.jpg", 1, 1, 1);
  add("colour-1x1-progressive.jpg", 1, 1, 3).progressive = true;
  { Seed& s = add("colour-33x7-444.jpg", 33, 7, 3); s.h0 = s.v0 = 1; }
  { Seed& s = add("colour-48x32-422-restart-rows.jpg", 48, 32, 3); s.h0 = 2; s.v0 = 1; s.restartRows = 1; }
  { Seed& s = add("colour-31x41-440.jpg", 31, 41, 3); s.h0 = 1; s.v0 = 2; s.quality = 50; }
  { Seed& s = add("colour-96x9-411.jpg", 96, 9, 3); s.h0 = 4; s.v0 = 1; }
  { Seed& s = add("colour-17x29-progressive-420.jpg", 17, 29, 3); s.progressive = true; }
  { Seed& s = add("colour-40x24-progressive-444-restart.jpg", 40, 24, 3); s.h0 = s.v0 = 1; s.progressive = true; s.restartInterval = 3; }
  { Seed& s = add("colour-64x48-progressive-optimised.jpg", 64, 48, 3); s.progressive = true; s.optimize = true; s.quality = 90; }
  add("grey-23x17.jpg", 23, 17, 1);
  { Seed& s = add("grey-64x48-progressive.jpg", 64, 48, 1); s.progressive = true; }
  { Seed& s = add("grey-9x70-restart.jpg", 9, 70, 1); s.restartInterval = 2; s.quality = 20; }
  { Seed& s = add("colour-7x120-tall.jpg", 7, 120, 3); s.quality = 30; }
  { Seed& s = add("colour-160x120-q10.jpg", 160, 120, 3); s.quality = 10; }
  { Seed& s = add("colour-37x19-component-scans.jpg", 37, 19, 3); s.perComponentScans = true; s.restartInterval = 4; }
  { Seed& s = add("colour-27x27-arithmetic.jpg", 27, 27, 3); s.arithmetic = true; s.restartInterval = 1; }
  { Seed& s = add("colour-27x27-progressive-arithmetic.jpg", 27, 27, 3); s.arithmetic = true; s.progressive = true; }
  { Seed& s = add("colour-30x20-rgb.jpg", 30, 20, 3); s.h0 = s.v0 = 1; s.rgb = true; }
  { Seed& s = add("cmyk-16x16.jpg", 16, 16, 4); s.h0 = s.v0 = 1; }
  { Seed& s = add("colour-24x16-markers.jpg", 24, 16, 3); s.markers = true; s.optimize = true; }
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <folder>\n");
    return 2;
  }
  std::size_t total = 0;
  for (const Seed& s : Seeds()) {
    const std::vector<JSAMPLE> px = Pixels(s);
    auto* e = static_cast<Encoder*>(std::calloc(1, sizeof(Encoder)));
    const bool ok = Encode(e, s, px.data());
    const std::size_t size = e->outSize;
    bool written = false;
    const std::string path = std::string(argv[1]) + "/" + s.name;
    if (ok) {
      if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        written = std::fwrite(e->out, 1, size, f) == size;
        written = std::fclose(f) == 0 && written;
      }
    }
    jpeg_destroy_compress(&e->cinfo);
    std::free(e->out);
    std::free(e);
    if (!written) {
      std::fprintf(stderr, "make_seeds: could not make %s\n", path.c_str());
      return 1;
    }
    std::printf("%6zu  %s\n", size, s.name);
    total += size;
  }
  std::printf("%6zu  in all\n", total);
  return 0;
}

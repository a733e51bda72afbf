#include "testkit/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>

extern "C" {
#include <jpeglib.h>
}

namespace testkit {
namespace {

struct ErrorJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JumpOnError(j_common_ptr c) { std::longjmp(reinterpret_cast<ErrorJump*>(c->err)->jump, 1); }

// Gives back libjpeg's memory and the output buffer when it goes.
struct Encoder {
  jpeg_compress_struct cinfo;
  ErrorJump err;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  ~Encoder() {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
  }
};

// Plain data only in this frame: libjpeg's errors jump back here.
bool Run(Encoder* e, const std::uint8_t* pixels, int width, int height, int components, const JpegWriteOptions& o) {
  e->cinfo.err = jpeg_std_error(&e->err.pub);
  e->err.pub.error_exit = JumpOnError;
  if (setjmp(e->err.jump)) return false;
  jpeg_create_compress(&e->cinfo);
  jpeg_mem_dest(&e->cinfo, &e->out, &e->outSize);
  e->cinfo.image_width = static_cast<JDIMENSION>(width);
  e->cinfo.image_height = static_cast<JDIMENSION>(height);
  e->cinfo.input_components = components;
  e->cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&e->cinfo);
  jpeg_set_quality(&e->cinfo, o.quality, TRUE);
  if (o.fullChroma) e->cinfo.comp_info[0].h_samp_factor = e->cinfo.comp_info[0].v_samp_factor = 1;
  if (o.progressive) jpeg_simple_progression(&e->cinfo);
  jpeg_start_compress(&e->cinfo, TRUE);
  while (e->cinfo.next_scanline < e->cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<std::size_t>(e->cinfo.next_scanline) * width * components);
    jpeg_write_scanlines(&e->cinfo, &row, 1);
  }
  jpeg_finish_compress(&e->cinfo);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const std::vector<std::uint8_t>& pixels, int width, int height, int components,
                                     const JpegWriteOptions& options) {
  const auto e = std::make_unique<Encoder>();
  const bool ok = Run(e.get(), pixels.data(), width, height, components, options);
  std::vector<std::uint8_t> bytes;
  if (ok && e->out) bytes.assign(e->out, e->out + e->outSize);
  return bytes;
}

std::vector<std::uint8_t> SolidJpeg(int width, int height, std::uint32_t rgb, const JpegWriteOptions& options) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < px.size(); i += 3) {
    px[i] = (rgb >> 16) & 0xFF;
    px[i + 1] = (rgb >> 8) & 0xFF;
    px[i + 2] = rgb & 0xFF;
  }
  return EncodeJpeg(px, width, height, 3, options);
}

std::vector<std::uint8_t> GreyJpeg(int width, int height, std::uint8_t grey) {
  return EncodeJpeg(std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, grey), width, height, 1);
}

std::vector<std::uint8_t> DamagedInsideJpeg(int width, int height) {
  JpegWriteOptions o;
  o.progressive = true;
  auto bytes = SolidJpeg(width, height, 0x3366CC, o);
  int scans = 0;
  for (std::size_t i = 0; i + 5 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA && ++scans == 2) {
      bytes[i + 5] = 99;  // the first component selector of the second scan
      break;
    }
  }
  return bytes;
}

std::vector<std::uint8_t> ManyScansJpeg(int width, int height, int scans) {
  JpegWriteOptions o;
  o.progressive = true;
  auto bytes = EncodeJpeg(std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 128), width, height, 1, o);
  // Keep everything before the first scan (frame header, tables), then empty DC scans.
  std::size_t cut = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
      cut = i;
      break;
    }
  bytes.resize(cut);
  static const std::uint8_t kEmptyScan[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00};
  for (int i = 0; i < scans; ++i) bytes.insert(bytes.end(), std::begin(kEmptyScan), std::end(kEmptyScan));
  bytes.push_back(0xFF);
  bytes.push_back(0xD9);
  return bytes;
}

}  // namespace testkit

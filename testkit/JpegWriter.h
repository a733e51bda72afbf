// JPEG files for tests and the stand-in host, written with libjpeg. No platform calls.
#pragma once
#include <cstdint>
#include <vector>

namespace testkit {

struct JpegWriteOptions {
  int quality = 90;
  bool progressive = false;
  bool fullChroma = false;  // 4:4:4: colour at full resolution rather than libjpeg's default 4:2:0
};

// pixels: rows top first, tightly packed; components 3 (red, green, blue) or 1 (grey).
// Returns an empty vector if libjpeg refuses.
std::vector<std::uint8_t> EncodeJpeg(const std::vector<std::uint8_t>& pixels, int width, int height, int components,
                                     const JpegWriteOptions& options = {});

// A picture of one colour (0xRRGGBB), or of grey level `grey` with one component.
std::vector<std::uint8_t> SolidJpeg(int width, int height, std::uint32_t rgb, const JpegWriteOptions& options = {});
std::vector<std::uint8_t> GreyJpeg(int width, int height, std::uint8_t grey);

// A progressive picture whose second scan names a component the frame does not have: the header
// reads fine, decoding the pixels fails.
std::vector<std::uint8_t> DamagedInsideJpeg(int width, int height);

// A small progressive grey-scale file made of `scans` empty scans: each one makes a decoder pass
// over the whole picture again.
std::vector<std::uint8_t> ManyScansJpeg(int width, int height, int scans);

}  // namespace testkit

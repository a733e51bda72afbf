// libFuzzer target for the JPEG reader: every input goes through ReadHeader and through Decode
// with and without quantising, at full size and scaled to cover part of the picture. A JpegError is the expected answer to a bad file; anything else
// (a crash, a sanitizer report, a leak, any other exception, a broken result) is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ui/jpeg/JpegDecoder.h"

namespace {

// Big pictures only cost time: decoding one of 40 million pixels twice under the sanitizers would
// hit the time limit and slow every run down without reaching any new code. The refusal of a
// picture over the limit is exercised all the same.
constexpr std::uint64_t kMaxPixels = 1 << 20;

// Every scan of a multi-scan file passes over the whole picture, and the fuzzer breeds wide pictures
// with dozens of scans (16128 x 27 in 62 scans took over a second), so the limit is shared out
// among the scans. Start-of-scan markers found elsewhere in the file only lower it.
std::uint64_t Scans(const std::uint8_t* data, std::size_t size) {
  std::uint64_t n = 0;
  for (std::size_t i = 1; i < size; ++i) n += data[i - 1] == 0xFF && data[i] == 0xDA;
  return std::max<std::uint64_t>(n, 1);
}

// Quantising is where the time goes: libjpeg's two-pass quantiser builds a colour map and an inverse
// map for every picture, over 10 ms under the sanitizers once it has a few hundred colourful pixels
// (1 to 2 ms at 8 x 8), against a tenth of a millisecond for decoding a small picture unquantised.
// Its code is the same at any size, so quantised output is kept to 8 x 8 pixels' worth: bigger
// pictures are quantised scaled down or refused, and most runs take about a millisecond.
constexpr std::uint64_t kMaxQuantizedPixels = 64;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "broken result: %s\n", what);
  std::abort();
}

// What the picture code relies on when it hands the pixels to the platform.
void Check(const jpeg::Image& img, const jpeg::Header& header, bool quantize, int coverWidth, int coverHeight) {
  Require(img.width > 0 && img.height > 0, "empty picture");
  if (coverWidth == 0) {
    Require(img.width == header.width && img.height == header.height, "size differs from the header");
  } else {
    Require(img.width <= header.width && img.height <= header.height, "scaled up");
    Require(img.width >= std::min(coverWidth, header.width) && img.height >= std::min(coverHeight, header.height),
            "scaled below the area");
  }
  const bool eight = quantize || header.grey();
  Require(img.bitsPerPixel == (eight ? 8 : 24), "pixel depth");
  const std::size_t rowBytes = static_cast<std::size_t>(img.width) * (img.bitsPerPixel / 8);
  Require(img.stride >= rowBytes && img.stride % 4 == 0 && img.stride - rowBytes < 4, "row stride");
  Require(img.pixels.size() == img.stride * static_cast<std::size_t>(img.height), "pixel buffer size");
  if (img.bitsPerPixel == 8) {
    Require(!img.palette.empty() && img.palette.size() <= 256, "palette size");
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        Require(img.pixels[y * img.stride + x] < img.palette.size(), "pixel outside the palette");
  } else {
    Require(img.palette.empty(), "palette on a 24-bit picture");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  jpeg::Header header;
  bool haveHeader = false;
  try {
    header = jpeg::ReadHeader(data, size);
    haveHeader = true;
    Require(header.width > 0 && header.height > 0 && header.components > 0, "empty header");
  } catch (const jpeg::JpegError&) {
  }
  // The scaled decodes cover 1/8 to 7/8 of the picture, picked by the input's length, so that they
  // always take libjpeg's scaled path, at every scale; a fixed area scaled only pictures bigger than
  // it. (Not by the last byte: nearly every file ends with the same marker.)
  const int eighths = 1 + static_cast<int>(size % 7);
  const std::uint64_t maxPixels = kMaxPixels / Scans(data, size);
  for (const bool quantize : {false, true})
    for (const bool scaled : {false, true}) {
      jpeg::DecodeOptions options;
      options.quantize = quantize;
      if (scaled) {
        options.coverWidth = std::max(1, header.width * eighths / 8);
        options.coverHeight = std::max(1, header.height * eighths / 8);
      }
      options.maxPixels = maxPixels;
      if (quantize) options.maxDecodedPixels = kMaxQuantizedPixels;
      try {
        const jpeg::Image img = jpeg::Decode(data, size, options);
        // Decode reads the same header first, so it cannot succeed where ReadHeader failed.
        Require(haveHeader, "decoded a file whose header was refused");
        Check(img, header, quantize, options.coverWidth, options.coverHeight);
      } catch (const jpeg::JpegError&) {
      }
    }
  return 0;
}

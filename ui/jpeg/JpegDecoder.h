// JPEG decoding with libjpeg, kept free of the platform so it can be tested and fuzzed natively.
// libjpeg reports errors by calling back; here those callbacks jump back to a frame that holds no
// C++ objects, and the failure becomes a JpegError there, never unwinding through libjpeg's frames.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace jpeg {

// "JPEG error #<libjpeg message number>", or a plain message for limits of our own.
class JpegError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Header {
  int width = 0, height = 0, components = 0;
  bool grey() const { return components == 1; }
};

// 24-bit: three bytes per pixel in blue, green, red order. 8-bit: one palette index per pixel.
// Rows top first, each padded to a multiple of four bytes (the layout of a device-independent
// bitmap), so the pixels can be handed to the platform as they are.
struct Image {
  int width = 0, height = 0;
  int bitsPerPixel = 24;
  std::size_t stride = 0;
  std::vector<std::uint8_t> pixels;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, for 8-bit images
};

struct DecodeOptions {
  // 8-bit output quantised to 236 colours (a screen of 8 bits per pixel or fewer); grey-scale
  // files are always decoded so.
  bool quantize = false;
  // The size the picture will be drawn at: libjpeg then decodes it at the smallest scale in eighths
  // (1/8 to 8/8) whose output still covers that size, in the DCT domain. 0 x 0: full size.
  int coverWidth = 0, coverHeight = 0;
  // Pictures with more pixels than this are refused before decoding: even scaled, every pixel is
  // read (at 1/8, 200 million take about as long as 40 million at full size).
  std::uint64_t maxPixels = 200'000'000;
  // Output with more pixels than this is refused before it is allocated.
  std::uint64_t maxDecodedPixels = 40'000'000;
  // Read by libjpeg's progress hook, about once per row of output or of input while a multi-scan
  // file is read in: once set, the decode stops there and gives an empty image, without an
  // exception (a thread of the library's own then leaves the runtime's exception records, and
  // the thread-local slot they take, untouched). Set from any thread.
  const std::atomic<bool>* cancelled = nullptr;
};

// libjpeg's own working memory for one picture: the coefficients of every block that a
// progressive (or otherwise multi-scan) file buffers, and the picture that quantising buffers. A
// picture that needs more is refused as too large before anything is decoded.
constexpr long kMaxDecoderMemory = 80L * 1024 * 1024;

// Reads only the header. Throws JpegError.
Header ReadHeader(const std::uint8_t* data, std::size_t size);

// Decodes the picture with accurate integer IDCT and smoothing, at full size or scaled to cover the
// size given in the options. Throws JpegError; an empty image once cancelled.
Image Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options = {});

}  // namespace jpeg

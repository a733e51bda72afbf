#include "ui/jpeg/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <limits>

// jpeglib.h needs size_t and FILE declared before it.
extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace jpeg {
namespace {

// Everything the libjpeg callbacks touch is plain data: a longjmp out of libjpeg must not skip
// a destructor.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
  const std::atomic<bool>* cancelled;
};

extern "C" void OnErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = err->pub.msg_code;
  std::longjmp(err->jump, 1);
}

extern "C" void OnMessage(j_common_ptr, int) {}  // warnings (a truncated file, say) are not errors

// A legitimate file has a few scans, ten for the usual progressive script; every scan of a
// progressive file passes over the whole picture, so a small file made of thousands of empty scans
// would hold the dialog for minutes.
constexpr int kMaxScans = 500;
constexpr int kTooManyScans = -2;
constexpr int kCancelled = -3;

extern "C" void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (err->cancelled && err->cancelled->load(std::memory_order_relaxed)) {
    err->code = kCancelled;
    std::longjmp(err->jump, 1);
  }
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  err->code = kTooManyScans;
  std::longjmp(err->jump, 1);
}

// The decompressor, its error manager and its progress monitor; destroyed by the owner of this
// plain struct.
struct Session {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
};

[[noreturn]] void Fail(int code) {
  if (code == kTooManyScans) throw JpegError("JPEG file with more than " + std::to_string(kMaxScans) + " scans");
  throw JpegError("JPEG error #" + std::to_string(code));
}

// Returns 0, or the libjpeg message number of a failure. No C++ object lives in this frame.
int StartSession(Session* s, const std::uint8_t* data, std::size_t size) {
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = OnErrorExit;
  s->err.pub.emit_message = OnMessage;
  s->err.code = 0;
  s->err.cancelled = nullptr;
  if (setjmp(s->err.jump)) return s->err.code ? s->err.code : -1;
  jpeg_create_decompress(&s->cinfo);
  s->progress.progress_monitor = OnProgress;
  s->cinfo.progress = &s->progress;
  s->cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s->cinfo, TRUE);
  return 0;
}

// Decodes into rows that the caller allocated. No C++ object lives in this frame.
int DecodeRows(Session* s, bool quantize, int eighths, std::uint8_t* out, std::size_t stride, int rows,
               std::uint32_t* palette, int* colours) {
  if (setjmp(s->err.jump)) return s->err.code ? s->err.code : -1;
  jpeg_decompress_struct& c = s->cinfo;
  c.dct_method = JDCT_ISLOW;
  c.do_fancy_upsampling = TRUE;
  c.do_block_smoothing = TRUE;
  c.scale_num = static_cast<unsigned>(eighths);
  c.scale_denom = 8;
  if (quantize) {
    c.quantize_colors = TRUE;
    c.desired_number_of_colors = 236;
    c.two_pass_quantize = TRUE;
    c.dither_mode = JDITHER_FS;
    c.out_color_space = c.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  } else {
    c.out_color_space = JCS_EXT_BGR;
  }
  jpeg_start_decompress(&c);
  const std::size_t rowBytes = static_cast<std::size_t>(c.output_width) * (quantize ? 1 : 3);
  if (static_cast<int>(c.output_height) != rows || rowBytes > stride) ERREXIT(&c, JERR_IMAGE_TOO_BIG);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = out + static_cast<std::size_t>(c.output_scanline) * stride;
    jpeg_read_scanlines(&c, &row, 1);
  }
  if (quantize) {
    *colours = c.actual_number_of_colors;
    for (int i = 0; i < c.actual_number_of_colors && i < 256; ++i) {
      const bool grey = c.out_color_components == 1;
      const std::uint32_t r = c.colormap[0][i];
      const std::uint32_t g = grey ? r : c.colormap[1][i];
      const std::uint32_t b = grey ? r : c.colormap[2][i];
      palette[i] = (r << 16) | (g << 8) | b;
    }
  }
  jpeg_finish_decompress(&c);
  return 0;
}

class SessionOwner {
 public:
  SessionOwner() : s_(new Session{}) {}
  ~SessionOwner() {
    jpeg_destroy_decompress(&s_->cinfo);
    delete s_;
  }
  SessionOwner(const SessionOwner&) = delete;
  SessionOwner& operator=(const SessionOwner&) = delete;
  Session* get() const { return s_; }

 private:
  Session* s_;
};

// libjpeg's output at eighths/8: the picture's size times eighths/8, rounded up.
int Scaled(int size, int eighths) { return static_cast<int>((static_cast<std::int64_t>(size) * eighths + 7) / 8); }

// The smallest scale in eighths whose output covers the size asked for, or full size.
int CoveringEighths(int width, int height, int coverWidth, int coverHeight) {
  int m = 1;
  while (m < 8 && (Scaled(width, m) < coverWidth || Scaled(height, m) < coverHeight)) ++m;
  return m;
}

}  // namespace

Header ReadHeader(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > static_cast<std::size_t>(std::numeric_limits<long>::max())) Fail(JERR_INPUT_EMPTY);
  SessionOwner session;
  if (const int code = StartSession(session.get(), data, size)) Fail(code);  // not cancelled: no flag yet
  const auto& c = session.get()->cinfo;
  return Header{static_cast<int>(c.image_width), static_cast<int>(c.image_height), c.num_components};
}

Image Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  if (size == 0 || size > static_cast<std::size_t>(std::numeric_limits<long>::max())) Fail(JERR_INPUT_EMPTY);
  SessionOwner session;
  if (const int code = StartSession(session.get(), data, size)) Fail(code);  // not cancelled: no flag yet
  const auto& c = session.get()->cinfo;
  const int width = static_cast<int>(c.image_width), height = static_cast<int>(c.image_height);
  const std::string tooLarge =
      "JPEG image too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  const bool full = options.coverWidth <= 0 && options.coverHeight <= 0;
  const int eighths = full ? 8 : CoveringEighths(width, height, options.coverWidth, options.coverHeight);
  Image img;
  img.width = Scaled(width, eighths);
  img.height = Scaled(height, eighths);
  const auto pixels = [](int w, int h) { return static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h); };
  if (pixels(width, height) > options.maxPixels || pixels(img.width, img.height) > options.maxDecodedPixels)
    throw JpegError(tooLarge + ")");
  const bool quantize = options.quantize || c.num_components == 1;
  session.get()->err.cancelled = options.cancelled;
  img.bitsPerPixel = quantize ? 8 : 24;
  img.stride = (static_cast<std::size_t>(img.width) * (quantize ? 1 : 3) + 3) & ~static_cast<std::size_t>(3);
  img.pixels.assign(img.stride * static_cast<std::size_t>(img.height), 0);
  std::uint32_t palette[256] = {};
  int colours = 0;
  if (const int code = DecodeRows(session.get(), quantize, eighths, img.pixels.data(), img.stride, img.height, palette,
                                  &colours)) {
    // Without backing store, libjpeg asks for it exactly when its buffers would pass the limit.
    if (code == kCancelled) return Image{};
    if (code == JERR_NO_BACKING_STORE)
      throw JpegError(tooLarge + ": decoding it needs more than " + std::to_string(kMaxDecoderMemory / 1048576) +
                      " MB)");
    Fail(code);
  }
  if (quantize) img.palette.assign(palette, palette + colours);
  return img;
}

}  // namespace jpeg

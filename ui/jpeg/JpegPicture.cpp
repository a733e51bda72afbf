#include "ui/jpeg/JpegPicture.h"

#include <windows.h>

#include <utility>

#include "ui/Owners.h"
#include "ui/PictureFormats.h"
#include "ui/TopDownBitmap.h"
#include "ui/jpeg/JpegAtSize.h"

namespace jpeg {
namespace {

const char kJpegClass = 0;  // its address identifies the class in the registry

HBITMAP MakeBitmap(const ui::BgrImage& img) {
  void* bits = nullptr;
  HBITMAP bitmap = ui::CreateTopDownBitmap(img.width, img.height, 24, &bits);
  std::copy(img.pixels.begin(), img.pixels.end(), static_cast<std::uint8_t*>(bits));
  return bitmap;
}

}  // namespace

JpegPicture::JpegPicture(std::vector<std::uint8_t> contents, bool quantize)
    : contents_(std::move(contents)), quantize_(quantize) {
  if (!contents_.empty()) header_ = ReadHeader(contents_.data(), contents_.size());
}

JpegPicture::~JpegPicture() = default;

void JpegPicture::Decode(int width, int height, const std::atomic<bool>* cancelled) {
  ++decodes_;
  std::vector<std::uint8_t> bytes;
  bytes.swap(contents_);  // given back by the decoder, whether it succeeds or not
  pixels_ = std::make_unique<SizedImage>(DecodeAtSize(std::move(bytes), quantize_, width, height, cancelled));
  decodedWidth_ = pixels_->decodedWidth;
  decodedHeight_ = pixels_->decodedHeight;
}

void JpegPicture::Prepare(int width, int height, const std::atomic<bool>* cancelled) {
  if (bitmap_ || failed_ || Empty() || width <= 0 || height <= 0) return;
  try {
    if (!pixels_) Decode(width, height, cancelled);
    // Beside the dialog (with a flag to cancel) only the pixels: GDI stays on the thread that
    // draws, which makes the bitmap at the next Prepare or Draw (a thread in GDI while another
    // holds the loader lock could wait on it).
    if (cancelled) {
      if (pixels_->image.width <= 0) failed_ = true;  // cancelled: nothing to report, no longer wanted
      return;
    }
    bitmap_.reset(MakeBitmap(pixels_->image));
    bitmapWidth_ = pixels_->image.width;
    bitmapHeight_ = pixels_->image.height;
    pixels_.reset();
  } catch (...) {
    // Reported once by whoever paints it, as if the paint had decoded; after that the picture draws
    // as empty, or every repaint that the error box itself causes would raise again.
    failed_ = true;
    failure_ = std::current_exception();
  }
}

void JpegPicture::Draw(HDC__* dc, const ui::Bounds& d) {
  if (d.width <= 0 || d.height <= 0) return;
  Prepare(d.width, d.height);
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  if (!bitmap_) return;
  ui::MemoryDc memory(dc);
  ui::Selection bitmap(memory.get(), bitmap_.get());
  if (d.width == bitmapWidth_ && d.height == bitmapHeight_) {
    BitBlt(dc, d.left, d.top, d.width, d.height, memory.get(), 0, 0, SRCCOPY);
  } else {
    const int mode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, d.left, d.top, d.width, d.height, memory.get(), 0, 0, bitmapWidth_, bitmapHeight_, SRCCOPY);
    SetStretchBltMode(dc, mode);
  }
}

int ScreenColourDepth() {
  ui::ScreenDc screen;
  return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

void RegisterJpegFormat(int screenColourDepth) {
  const bool quantize = screenColourDepth <= 8;
  auto make = [quantize](std::vector<std::uint8_t> contents) -> std::unique_ptr<ui::Picture> {
    return std::make_unique<JpegPicture>(std::move(contents), quantize);
  };
  ui::RegisteredPictureFormats().Register("jpeg", &kJpegClass, make);
  ui::RegisteredPictureFormats().Register("jpg", &kJpegClass, make);
}

void UnregisterJpegFormat() { ui::RegisteredPictureFormats().Unregister(&kJpegClass); }

}  // namespace jpeg

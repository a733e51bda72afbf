#include "ui/jpeg/JpegPicture.h"

#include <windows.h>

#include "ui/PictureFormats.h"
#include "ui/Platform.h"
#include "ui/Resample.h"

namespace jpeg {
namespace {

const char kJpegClass = 0;  // its address identifies the class in the registry

ui::BgrImage ToBgr(Image&& img) {
  if (img.bitsPerPixel == 24) return ui::BgrImage{img.width, img.height, img.stride, std::move(img.pixels)};
  ui::BgrImage out;
  out.width = img.width;
  out.height = img.height;
  out.stride = (static_cast<std::size_t>(img.width) * 3 + 3) & ~static_cast<std::size_t>(3);
  out.pixels.assign(out.stride * img.height, 0);
  for (int y = 0; y < img.height; ++y) {
    const std::uint8_t* src = &img.pixels[static_cast<std::size_t>(y) * img.stride];
    std::uint8_t* dst = &out.pixels[static_cast<std::size_t>(y) * out.stride];
    for (int x = 0; x < img.width; ++x) {
      const std::uint32_t c = src[x] < img.palette.size() ? img.palette[src[x]] : 0;
      dst[x * 3] = c & 0xFF;
      dst[x * 3 + 1] = (c >> 8) & 0xFF;
      dst[x * 3 + 2] = (c >> 16) & 0xFF;
    }
  }
  return out;
}

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

JpegPicture::~JpegPicture() {
  if (bitmap_) DeleteObject(bitmap_);
}

void JpegPicture::Prepare(int width, int height) {
  if (bitmap_ && bitmapWidth_ == width && bitmapHeight_ == height) return;
  ++decodes_;
  DecodeOptions options;
  options.quantize = quantize_;
  ui::BgrImage full = ToBgr(Decode(contents_.data(), contents_.size(), options));
  HBITMAP made = full.width == width && full.height == height
                     ? MakeBitmap(full)
                     : MakeBitmap(ui::ScaleBgr(full.pixels.data(), full.width, full.height, full.stride, width, height));
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = made;
  bitmapWidth_ = width;
  bitmapHeight_ = height;
}

void JpegPicture::Draw(HDC__* dc, const ui::Bounds& d) {
  if (failed_ || Empty() || d.width <= 0 || d.height <= 0) return;
  try {
    Prepare(d.width, d.height);
  } catch (...) {
    // Reported once by whoever paints; after that the picture draws as empty, or every repaint
    // that the error box itself causes would raise again.
    failed_ = true;
    throw;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap_);
  BitBlt(dc, d.left, d.top, d.width, d.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
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
  ui::RegisteredPictureFormats().Register("jpeg", "JPEG Image File", &kJpegClass, make);
  ui::RegisteredPictureFormats().Register("jpg", "JPEG Image File", &kJpegClass, make);
}

void UnregisterJpegFormat() { ui::RegisteredPictureFormats().Unregister(&kJpegClass); }

}  // namespace jpeg

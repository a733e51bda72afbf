#include "ui/jpeg/JpegAtSize.h"

#include <utility>

namespace jpeg {
namespace {

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

}  // namespace

SizedImage DecodeAtSize(std::vector<std::uint8_t> contents, bool quantize, int width, int height,
                        const std::atomic<bool>* cancelled) {
  DecodeOptions options;
  options.cancelled = cancelled;
  options.quantize = quantize;
  options.coverWidth = width;
  options.coverHeight = height;
  SizedImage sized;
  ui::BgrImage decoded;
  {
    std::vector<std::uint8_t> file = std::move(contents);
    Image image = Decode(file.data(), file.size(), options);
    if (image.width <= 0) return sized;  // cancelled
    decoded = ToBgr(std::move(image));
  }
  sized.decodedWidth = decoded.width;
  sized.decodedHeight = decoded.height;
  if (decoded.width == width && decoded.height == height) {
    sized.image = std::move(decoded);
  } else {
    sized.image = ui::ScaleBgr(decoded.pixels.data(), decoded.width, decoded.height, decoded.stride, width, height);
  }
  return sized;
}

}  // namespace jpeg

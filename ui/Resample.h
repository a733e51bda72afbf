// Scaling of 24-bit pictures for display: area averaging when shrinking (every source pixel
// counts, so a slide's thin lines and text stay visible), linear interpolation when enlarging.
// No platform calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

struct BgrImage {
  int width = 0, height = 0;
  std::size_t stride = 0;  // bytes per row, a multiple of four
  std::vector<std::uint8_t> pixels;  // blue, green, red; rows top first
};

BgrImage ScaleBgr(const std::uint8_t* pixels, int width, int height, std::size_t stride, int toWidth, int toHeight);

}  // namespace ui

#include "ui/Resample.h"

#include <algorithm>

namespace ui {
namespace {

// For each destination position along one axis: the source positions it reads and their
// weights, in 1/65536ths that add up to exactly 65536.
struct Taps {
  std::vector<int> first, count;
  std::vector<int> index;
  std::vector<std::uint32_t> weight;
};

constexpr std::int64_t kOne = 65536;

// All positions in integers: rounding each weight on its own lets a pixel's weights add up to more
// than one, and a last weight of "one minus the rest" then wraps around.
Taps MakeTaps(int from, int to) {
  Taps t;
  t.first.resize(to);
  t.count.resize(to);
  for (int i = 0; i < to; ++i) {
    t.first[i] = static_cast<int>(t.index.size());
    if (from >= to) {
      // Shrinking, measured in 1/to of a source pixel: destination pixel i spans [i * from,
      // (i + 1) * from), source pixel s spans [s * to, (s + 1) * to). Each weight is the step of the
      // rounded running coverage, so they add up to exactly one and none is negative.
      const std::int64_t a = static_cast<std::int64_t>(i) * from, b = a + from;
      std::int64_t covered = 0, given = 0;
      for (std::int64_t s = a / to; s * to < b; ++s) {
        covered += std::min(b, (s + 1) * to) - std::max(a, s * to);
        const std::int64_t upTo = (covered * kOne + from / 2) / from;
        t.index.push_back(static_cast<int>(s));
        t.weight.push_back(static_cast<std::uint32_t>(upTo - given));
        given = upTo;
      }
    } else {
      // Enlarging: the two nearest source pixel centres. The centre of destination pixel i lies at
      // ((2i + 1) * from - to) / (2 * to) in source pixels.
      const std::int64_t num = (2 * static_cast<std::int64_t>(i) + 1) * from - to;
      const std::int64_t den = 2 * static_cast<std::int64_t>(to);
      const std::int64_t s0 = num >= 0 ? num / den : -((-num + den - 1) / den);
      const std::int64_t second = ((num - s0 * den) * kOne + den / 2) / den;
      t.index.push_back(static_cast<int>(std::clamp<std::int64_t>(s0, 0, from - 1)));
      t.weight.push_back(static_cast<std::uint32_t>(kOne - second));
      t.index.push_back(static_cast<int>(std::clamp<std::int64_t>(s0 + 1, 0, from - 1)));
      t.weight.push_back(static_cast<std::uint32_t>(second));
    }
    t.count[i] = static_cast<int>(t.index.size()) - t.first[i];
  }
  return t;
}

}  // namespace

BgrImage ScaleBgr(const std::uint8_t* pixels, int width, int height, std::size_t stride, int toWidth, int toHeight) {
  BgrImage out;
  if (width <= 0 || height <= 0 || toWidth <= 0 || toHeight <= 0) return out;
  out.width = toWidth;
  out.height = toHeight;
  out.stride = (static_cast<std::size_t>(toWidth) * 3 + 3) & ~static_cast<std::size_t>(3);
  out.pixels.assign(out.stride * toHeight, 0);
  const Taps h = MakeTaps(width, toWidth), v = MakeTaps(height, toHeight);
  // Horizontal pass into 16-bit intermediate rows (value * 256), then the vertical pass.
  std::vector<std::uint16_t> mid(static_cast<std::size_t>(toWidth) * 3 * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = pixels + static_cast<std::size_t>(y) * stride;
    std::uint16_t* dst = &mid[static_cast<std::size_t>(y) * toWidth * 3];
    for (int x = 0; x < toWidth; ++x) {
      std::uint32_t b = 0, g = 0, r = 0;
      for (int k = h.first[x], e = k + h.count[x]; k < e; ++k) {
        const std::uint8_t* p = src + h.index[k] * 3;
        const std::uint32_t w = h.weight[k];
        b += p[0] * w;
        g += p[1] * w;
        r += p[2] * w;
      }
      dst[x * 3] = static_cast<std::uint16_t>((b + 128) >> 8);
      dst[x * 3 + 1] = static_cast<std::uint16_t>((g + 128) >> 8);
      dst[x * 3 + 2] = static_cast<std::uint16_t>((r + 128) >> 8);
    }
  }
  for (int y = 0; y < toHeight; ++y) {
    std::uint8_t* dst = &out.pixels[static_cast<std::size_t>(y) * out.stride];
    for (int x = 0; x < toWidth * 3; ++x) {
      std::uint64_t sum = 0;
      for (int k = v.first[y], e = k + v.count[y]; k < e; ++k)
        sum += static_cast<std::uint64_t>(mid[static_cast<std::size_t>(v.index[k]) * toWidth * 3 + x]) * v.weight[k];
      dst[x] = static_cast<std::uint8_t>(std::min<std::uint64_t>(255, (sum + (1u << 23)) >> 24));
    }
  }
  return out;
}

}  // namespace ui

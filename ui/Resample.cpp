#include "ui/Resample.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// For each destination position along one axis: the source positions it reads and their
// weights, in 1/65536ths that add up to 65536.
struct Taps {
  std::vector<int> first, count;
  std::vector<int> index;
  std::vector<std::uint32_t> weight;
};

Taps MakeTaps(int from, int to) {
  Taps t;
  t.first.resize(to);
  t.count.resize(to);
  const double scale = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    std::vector<std::pair<int, double>> w;
    if (scale >= 1.0) {  // shrinking: the share of each source pixel inside [i, i+1) * scale
      const double a = i * scale, b = (i + 1) * scale;
      for (int s = static_cast<int>(a); s < from && s < b; ++s) {
        const double cover = std::min<double>(s + 1, b) - std::max<double>(s, a);
        if (cover > 0) w.emplace_back(s, cover);
      }
    } else {  // enlarging: the two nearest source pixel centres
      const double centre = (i + 0.5) * scale - 0.5;
      const int s0 = static_cast<int>(std::floor(centre));
      const double f = centre - s0;
      w.emplace_back(std::clamp(s0, 0, from - 1), 1.0 - f);
      w.emplace_back(std::clamp(s0 + 1, 0, from - 1), f);
    }
    double total = 0;
    for (auto& p : w) total += p.second;
    t.first[i] = static_cast<int>(t.index.size());
    std::uint32_t sum = 0;
    for (std::size_t k = 0; k < w.size(); ++k) {
      std::uint32_t v = static_cast<std::uint32_t>(w[k].second / total * 65536.0 + 0.5);
      if (k + 1 == w.size()) v = 65536 - sum;  // exact sum: flat areas keep their colour
      sum += v;
      t.index.push_back(w[k].first);
      t.weight.push_back(v);
    }
    t.count[i] = static_cast<int>(w.size());
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

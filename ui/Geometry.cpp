#include "ui/Geometry.h"

#include <cstdint>
#include <cstdlib>

namespace ui {

int ScaleValue(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;  // what MulDiv answers
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  std::int64_t q = std::llabs(product) * 2 + std::llabs(denominator);
  q /= 2 * std::llabs(denominator);
  const bool negative = (product < 0) != (denominator < 0);
  return static_cast<int>(negative ? -q : q);
}

Bounds ScaleBounds(const Bounds& b, int numerator, int denominator) {
  return {ScaleValue(b.left, numerator, denominator), ScaleValue(b.top, numerator, denominator),
          ScaleValue(b.width, numerator, denominator), ScaleValue(b.height, numerator, denominator)};
}

int FontHeightForDensity(int layoutHeight, int dpi) {
  return dpi == 96 ? layoutHeight : ScaleValue(layoutHeight, dpi, 96);
}

int ExtentAfterDensityChange(int current, int laidOutBefore, int laidOutNow, int textBefore, int textNow) {
  return current == laidOutBefore ? laidOutNow : ScaleValue(current, textNow, textBefore);
}

std::vector<Bounds> ArrangeDocked(const std::vector<Bounds>& bounds, const std::vector<Align>& align,
                                  int clientWidth, int clientHeight) {
  std::vector<Bounds> out = bounds;
  int right = clientWidth;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (align[i] != Align::Right) continue;
    right -= out[i].width;
    // In an area narrower than the docked controls, what does not fit is cut off at the right:
    // their left parts (a panel's first buttons) stay in view.
    out[i] = {right > 0 ? right : 0, 0, out[i].width, clientHeight};
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (align[i] != Align::Client) continue;
    out[i] = {0, 0, right > 0 ? right : 0, clientHeight};
  }
  return out;
}

}  // namespace ui

namespace ui {

Bounds FitPicture(int pw, int ph, int cw, int ch, bool stretch, bool proportional, bool center) {
  std::int64_t w = pw, h = ph;
  const bool fit = stretch || (proportional && (pw > cw || ph > ch));
  if (fit) {
    if (proportional && pw > 0 && ph > 0) {
      // Integer arithmetic truncates the exact quotient: a 1920 x 1080 picture is 160 x 90, not 89.
      if (pw > ph) {
        w = cw;
        h = static_cast<std::int64_t>(cw) * ph / pw;
        if (h > ch) {
          h = ch;
          w = static_cast<std::int64_t>(ch) * pw / ph;
        }
      } else {
        h = ch;
        w = static_cast<std::int64_t>(ch) * pw / ph;
        if (w > cw) {
          w = cw;
          h = static_cast<std::int64_t>(cw) * ph / pw;
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  Bounds r{0, 0, static_cast<int>(w), static_cast<int>(h)};
  if (center) {
    // Rounded down, also when the picture is larger than the area.
    const std::int64_t dx = cw - w, dy = ch - h;
    r.left = static_cast<int>(dx >= 0 ? dx / 2 : -((-dx + 1) / 2));
    r.top = static_cast<int>(dy >= 0 ? dy / 2 : -((-dy + 1) / 2));
  }
  return r;
}

}  // namespace ui

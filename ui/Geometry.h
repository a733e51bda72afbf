// Layout arithmetic of the forms: scaling at creation and docking. No platform calls.
#pragma once
#include <vector>

namespace ui {

struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Bounds& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

// value * numerator / denominator, rounded half away from zero (the platform's MulDiv).
int ScaleValue(int value, int numerator, int denominator);
Bounds ScaleBounds(const Bounds& b, int numerator, int denominator);

// Layout font height for a screen density: scaled by dpi/96 unless the screen is 96 dpi.
int FontHeightForDensity(int layoutHeight, int dpi);

// One client extent of a form whose density changes: at the size it was laid out with, it takes
// the size it is laid out with now (a form created at the new density has exactly that); resized
// by the user, it keeps its size in text heights. Scaled from the layout each time, never from the
// last scaling, so 96 -> 144 -> 96 gives back the 96 layout to the pixel.
int ExtentAfterDensityChange(int current, int laidOutBefore, int laidOutNow, int textBefore, int textNow);

enum class Align { None, Right, Client };

// Places docked children inside a client area: right-docked ones from the right edge inwards,
// full height and their own width; a client-docked one takes what is left. Others keep their bounds.
std::vector<Bounds> ArrangeDocked(const std::vector<Bounds>& bounds, const std::vector<Align>& align,
                                  int clientWidth, int clientHeight);

}  // namespace ui

namespace ui {

// Where a picture of pictureWidth x pictureHeight is drawn in an area of areaWidth x areaHeight.
// stretch: fill the area; with proportional, fit while keeping the proportions (small pictures are
// enlarged too): wider-than-high pictures take the full width first, others the full height first,
// sizes truncated. Without stretch, proportional only shrinks pictures that do not fit.
// center: offsets of half the free width and height, rounded down.
Bounds FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight, bool stretch,
                  bool proportional, bool center);

}  // namespace ui

#include "ui/FormPlacement.h"

#include <algorithm>

namespace ui {
namespace {

// One axis: centred on the screen, then pulled inside [areaStart, areaStart + areaSize).
void Place(int& start, int& size, int screenStart, int screenSize, int areaStart, int areaSize, bool shrink) {
  if (shrink && size > areaSize) size = std::max(areaSize, 0);
  start = screenStart + (screenSize - size) / 2;
  start = std::min(start, areaStart + areaSize - size);
  start = std::max(start, areaStart);
}

// Centred on a rectangle, the half pixel of an odd difference rounded down or up, for a window
// larger than the rectangle too.
Bounds CentreOn(const Bounds& over, int width, int height, bool roundUp) {
  auto half = [roundUp](int free) { return free >= 0 ? (free + roundUp) / 2 : -((-free + !roundUp) / 2); };
  return Bounds{over.left + half(over.width - width), over.top + half(over.height - height), width, height};
}

}  // namespace

Bounds CentreWithinWorkArea(int width, int height, const Bounds& screen, const Bounds& workArea, bool sizeable) {
  Bounds b{0, 0, width, height};
  Place(b.left, b.width, screen.left, screen.width, workArea.left, workArea.width, sizeable);
  Place(b.top, b.height, screen.top, screen.height, workArea.top, workArea.height, sizeable);
  return b;
}

Bounds PlaceOnSuggested(const Bounds& suggested, int width, int height,
                        const std::function<bool(const Bounds&)>& onChosenMonitor, const Bounds& chosenWorkArea,
                        bool sizeable) {
  Bounds b{};
  for (const bool roundUp : {false, true}) {
    b = CentreOn(suggested, width, height, roundUp);
    if (onChosenMonitor(b)) return b;
  }
  return CentreWithinWorkArea(width, height, CentreOn(suggested, width, height, false), chosenWorkArea, sizeable);
}

}  // namespace ui

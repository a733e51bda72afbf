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

}  // namespace

Bounds CentreWithinWorkArea(int width, int height, const Bounds& screen, const Bounds& workArea, bool sizeable) {
  Bounds b{0, 0, width, height};
  Place(b.left, b.width, screen.left, screen.width, workArea.left, workArea.width, sizeable);
  Place(b.top, b.height, screen.top, screen.height, workArea.top, workArea.height, sizeable);
  return b;
}

}  // namespace ui

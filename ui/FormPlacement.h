// Where a form's window goes when it is centred on the screen. No platform calls.
#pragma once
#include "ui/Geometry.h"

namespace ui {

// A window of width x height centred on the screen, then kept inside the work area: moved in
// where it sticks out, its top-left corner (the title bar) winning when it is larger than the
// area. A sizeable window larger than the area is made to fit; a fixed-size one keeps its size.
Bounds CentreWithinWorkArea(int width, int height, const Bounds& screen, const Bounds& workArea, bool sizeable);

}  // namespace ui

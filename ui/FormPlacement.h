// Where a form's window goes when it is centred on the screen. No platform calls.
#pragma once
#include <functional>

#include "ui/Geometry.h"

namespace ui {

// A window of width x height centred on the screen, then kept inside the work area: moved in
// where it sticks out, its top-left corner (the title bar) winning when it is larger than the
// area. A sizeable window larger than the area is made to fit; a fixed-size one keeps its size.
Bounds CentreWithinWorkArea(int width, int height, const Bounds& screen, const Bounds& workArea, bool sizeable);

// Where a window of width x height goes when its density changes and the system suggests a
// rectangle for it. Its size is the layout's at the new density, which follows the text rather
// than the density, so it is centred on the suggested rectangle. Mostly on another monitor than
// that rectangle, it would be told to change back and flip between the two densities: of the two
// roundings of the half pixel, the first that leaves it on the chosen monitor (onChosenMonitor
// tells); where neither does (monitors of unequal heights), kept inside that monitor's work area.
Bounds PlaceOnSuggested(const Bounds& suggested, int width, int height,
                        const std::function<bool(const Bounds&)>& onChosenMonitor, const Bounds& chosenWorkArea,
                        bool sizeable);

}  // namespace ui

// A device-independent bitmap with its rows top first, as the pictures draw into.
#pragma once
#include <windows.h>

namespace ui {

// The bitmap and its pixels (bitsPerPixel 24 or 32). Throws ui::OutOfResources when the system
// refuses; the caller owns the bitmap.
HBITMAP CreateTopDownBitmap(int width, int height, int bitsPerPixel, void** pixels);

}  // namespace ui

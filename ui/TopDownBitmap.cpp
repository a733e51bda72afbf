#include "ui/TopDownBitmap.h"

#include <string>

#include "ui/Exceptions.h"

namespace ui {

HBITMAP CreateTopDownBitmap(int width, int height, int bitsPerPixel, void** pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, pixels, nullptr, 0);
  if (!bitmap) throw OutOfResources("Not enough memory for a picture of " + std::to_string(width) + " x " +
                                    std::to_string(height) + " pixels");
  return bitmap;
}

}  // namespace ui

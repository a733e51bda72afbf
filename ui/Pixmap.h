// A small picture kept as editable text (see resources/ProductIcon.pixmap):
//
//   size 32 32
//   colour . none
//   colour k #1B2A3A
//   pixels
//   ..kk..   (one line per row, one character per pixel)
//
// No platform calls, so the reader is easy to test.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

struct Pixmap {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, or 0 where the background shows through
};

// Throws ui::Exception naming the line on malformed text.
Pixmap ParsePixmap(const std::string& text);

}  // namespace ui

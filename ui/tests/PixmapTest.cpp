#include "ui/Pixmap.h"

#include <gtest/gtest.h>

#include "ui/Exceptions.h"

namespace {

TEST(Pixmap, ReadsPaletteAndRows) {
  const auto p = ui::ParsePixmap(
      "# icon\nsize 3 2\ncolour . none\ncolour r #FF0000\ncolour g #00ff80\npixels\nr.g\n.gr\n\n");
  EXPECT_EQ(p.width, 3);
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0, 0xFF00FF80, 0, 0xFF00FF80, 0xFFFF0000}));
}

TEST(Pixmap, RejectsWhatDoesNotAddUp) {
  const char* bad[] = {
      "pixels\n",                                          // no size
      "size 2 1\ncolour a #000000\npixels\naaa\n",        // row too wide
      "size 2 2\ncolour a #000000\npixels\naa\n",         // too few rows
      "size 1 1\ncolour a #000000\npixels\na\na\n",       // too many rows
      "size 1 1\npixels\nb\n",                            // no colour for b
      "size 1 1\ncolour a red\npixels\na\n",              // not a colour
      "size 0 1\n",                                       // empty
      "size 1 1\nshape round\n",                          // unknown line
  };
  for (const char* text : bad) EXPECT_THROW(ui::ParsePixmap(text), ui::Exception) << text;
}

}  // namespace

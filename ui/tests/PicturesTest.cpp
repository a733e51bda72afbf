// The picture loader's registry and the scaling of pictures for display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ui/Picture.h"
#include "ui/PictureFormats.h"
#include "ui/Resample.h"

namespace {

struct Named : ui::Picture {
  int tag;
  explicit Named(int t) : tag(t) {}
  int Width() const override { return tag; }
  int Height() const override { return 1; }
  void Draw(HDC__*, const ui::Bounds&) override {}
};

ui::PictureFactory Maker(int tag) {
  return [tag](std::vector<std::uint8_t>) { return std::make_unique<Named>(tag); };
}

TEST(PictureFormats, MostRecentFirstCaseInsensitiveAndUnregisteredByClass) {
  ui::PictureFormats formats;
  const char a = 0, b = 0;
  formats.Register("jpg", &a, Maker(1));
  formats.Register("JPG", &b, Maker(2));
  formats.Register("jpeg", &b, Maker(2));
  ASSERT_NE(formats.Find("Jpg"), nullptr);
  EXPECT_EQ(formats.Find("jpg")->pictureClass, &b);
  EXPECT_EQ(formats.Find("jpg")->make({})->Width(), 2);
  EXPECT_EQ(formats.Find("bmp"), nullptr);
  formats.Unregister(&b);
  EXPECT_EQ(formats.Count(), 1u);
  EXPECT_EQ(formats.Find("jpg")->pictureClass, &a);
  EXPECT_EQ(formats.Find("jpeg"), nullptr);
}

TEST(PictureFormats, ExtensionOfTheFileNameOnly) {
  EXPECT_EQ(ui::FileExtension("C:\\Temp\\{1234}.JPG"), "jpg");
  EXPECT_EQ(ui::FileExtension("C:\\dir.d\\name"), "");
  EXPECT_EQ(ui::FileExtension("a.tar.JPeG"), "jpeg");
  EXPECT_EQ(ui::FileExtension("noext"), "");
}

std::vector<std::uint8_t> Flat(int w, int h, std::size_t stride, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::vector<std::uint8_t> px(stride * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      px[y * stride + x * 3] = b;
      px[y * stride + x * 3 + 1] = g;
      px[y * stride + x * 3 + 2] = r;
    }
  return px;
}

TEST(ScaleBgr, FlatAreasKeepTheirColourBothWays) {
  // Beside small odd sizes, pictures that once came out with white rows in the dialog's area at
  // 96 dpi (160 x 120) and with a 12-pixel "0" font (148 x 111).
  struct Case {
    int width, height, toWidth, toHeight;
  };
  for (const Case c : {Case{97, 61, 160, 120}, {97, 61, 7, 3}, {97, 61, 400, 300}, {97, 61, 1, 1},
                       {704, 528, 160, 120}, {744, 558, 160, 120}, {704, 396, 160, 90}, {708, 531, 148, 111},
                       {1004, 753, 148, 111}}) {
    const std::size_t stride = (c.width * 3 + 3) & ~3;
    const auto px = Flat(c.width, c.height, stride, 10, 200, 77);
    const ui::BgrImage out = ui::ScaleBgr(px.data(), c.width, c.height, stride, c.toWidth, c.toHeight);
    ASSERT_EQ(out.width, c.toWidth);
    EXPECT_EQ(out.stride % 4, 0u);
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        const std::uint8_t* p = &out.pixels[y * out.stride + x * 3];
        ASSERT_EQ(p[0], 10) << c.width << " x " << c.height << " at " << x << ", " << y;
        ASSERT_EQ(p[1], 200);
        ASSERT_EQ(p[2], 77);
      }
  }
}

// One row (or one column) of `from` grey pixels scaled to `to`: the values along it, or an empty
// vector if a pixel came out coloured.
std::vector<int> ScaleLine(const std::vector<std::uint8_t>& values, int to, bool vertical) {
  const int from = static_cast<int>(values.size());
  const std::size_t stride = vertical ? 4 : (from * 3 + 3) & ~3;
  std::vector<std::uint8_t> px(vertical ? stride * from : stride, 0);
  for (int i = 0; i < from; ++i)
    for (int c = 0; c < 3; ++c) px[(vertical ? i * stride : i * 3) + c] = values[i];
  const ui::BgrImage out =
      ui::ScaleBgr(px.data(), vertical ? 1 : from, vertical ? from : 1, stride, vertical ? 1 : to, vertical ? to : 1);
  std::vector<int> line;
  for (int i = 0; i < to; ++i) {
    const std::uint8_t* p = &out.pixels[vertical ? i * out.stride : i * 3];
    if (p[0] != p[1] || p[1] != p[2]) return {};
    line.push_back(p[0]);
  }
  return line;
}

TEST(ScaleBgr, EveryLengthKeepsFlatColoursAndThinLinesBothWays) {
  // Each axis is scaled on its own, so single rows and columns of every length from 1 to 4096
  // stand for every picture size up to that, scaled to the image area's sides at 96 to 192 dpi and
  // with a 12-pixel "0" font. Each holds a one-pixel white line on flat grey, at either end or inside.
  constexpr int kGrey = 40;
  int wrong = 0;
  for (const int to : {90, 111, 120, 148, 160, 240, 320})
    for (int from = 1; from <= 4096 && wrong < 10; ++from)
      for (const bool vertical : {false, true}) {
        const int at = from % 3 == 0 ? 0 : from % 3 == 1 ? from - 1 : from * 7 / 11;
        std::vector<std::uint8_t> values(from, kGrey);
        values[at] = 255;
        const std::vector<int> line = ScaleLine(values, to, vertical);
        // The pixels the line reaches: by area when shrinking, by the two nearest centres when
        // enlarging. Every other pixel keeps the grey exactly.
        auto reached = [&](std::int64_t i) {
          if (from >= to) return i * from < (at + 1) * std::int64_t{to} && (i + 1) * from > at * std::int64_t{to};
          return std::abs((2 * i + 1) * from - to - 2 * std::int64_t{to} * at) < 2 * std::int64_t{to};
        };
        bool flat = !line.empty();
        int light = 0, brightest = 0;
        for (int i = 0; flat && i < to; ++i) {
          if (!reached(i)) flat = line[i] == kGrey;
          light += line[i] - kGrey;
          brightest = std::max(brightest, line[i]);
        }
        // Shrunk, the line keeps its share of light (to / from of it, each of the at most two pixels
        // it reaches rounded); enlarged, its nearest pixel is at least half white.
        const bool visible = from >= to ? std::abs(light - (255.0 - kGrey) * to / from) <= 1.05 && brightest > kGrey
                                        : brightest >= kGrey + (255 - kGrey) / 2;
        if (!flat || !visible) {
          ADD_FAILURE() << "a line at " << at << " of " << from << (vertical ? " rows" : " columns") << " scaled to "
                        << to << ": " << (flat ? "" : "the grey changed, ") << "brightest " << brightest
                        << ", light " << light;
          ++wrong;
        }
      }
}

TEST(ScaleBgr, ShrinkingAveragesEverySourcePixel) {
  // A one-pixel white line on black survives a 4:1 reduction as grey, rather than vanishing.
  std::vector<std::uint8_t> px(8 * 4 * 3 + 0, 0);
  for (int y = 0; y < 4; ++y)
    for (int c = 0; c < 3; ++c) px[y * 24 + 5 * 3 + c] = 255;
  const ui::BgrImage out = ui::ScaleBgr(px.data(), 8, 4, 24, 2, 1);
  EXPECT_EQ(out.pixels[0], 0);
  EXPECT_NEAR(out.pixels[3], 64, 1);  // 255 over four columns
}

}  // namespace

// The picture loader's registry and the scaling of pictures for display.
#include <gtest/gtest.h>

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
  formats.Register("jpg", "First", &a, Maker(1));
  formats.Register("JPG", "Second", &b, Maker(2));
  formats.Register("jpeg", "Second", &b, Maker(2));
  ASSERT_NE(formats.Find("Jpg"), nullptr);
  EXPECT_EQ(formats.Find("jpg")->description, "Second");
  EXPECT_EQ(formats.Find("jpg")->make({})->Width(), 2);
  EXPECT_EQ(formats.Find("bmp"), nullptr);
  formats.Unregister(&b);
  EXPECT_EQ(formats.Count(), 1u);
  EXPECT_EQ(formats.Find("jpg")->description, "First");
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
  for (auto to : {std::pair{160, 120}, {7, 3}, {400, 300}, {1, 1}}) {
    const auto px = Flat(97, 61, 292, 10, 200, 77);
    const ui::BgrImage out = ui::ScaleBgr(px.data(), 97, 61, 292, to.first, to.second);
    ASSERT_EQ(out.width, to.first);
    EXPECT_EQ(out.stride % 4, 0u);
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        const std::uint8_t* p = &out.pixels[y * out.stride + x * 3];
        ASSERT_EQ(p[0], 10);
        ASSERT_EQ(p[1], 200);
        ASSERT_EQ(p[2], 77);
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

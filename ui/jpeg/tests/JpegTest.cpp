// The JPEG reader on files made here: every aspect, grey scale, and the ways a file can be broken.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/JpegWriter.h"
#include "ui/jpeg/JpegDecoder.h"
#include "ui/jpeg/JpegPicture.h"

namespace {

using testkit::SolidJpeg;

TEST(JpegDecoder, ReadsTheHeaderOfEachAspect) {
  for (auto size : {std::pair{1024, 768}, {1920, 1080}, {1280, 1024}, {768, 1024}, {1, 1}, {4000, 3000}}) {
    const auto bytes = SolidJpeg(size.first, size.second, 0x204080);
    const jpeg::Header h = jpeg::ReadHeader(bytes.data(), bytes.size());
    EXPECT_EQ(h.width, size.first);
    EXPECT_EQ(h.height, size.second);
    EXPECT_EQ(h.components, 3);
  }
}

TEST(JpegDecoder, DecodesTwentyFourBitBlueGreenRedRows) {
  const auto bytes = SolidJpeg(33, 7, 0xC02030);
  const jpeg::Image img = jpeg::Decode(bytes.data(), bytes.size());
  EXPECT_EQ(img.bitsPerPixel, 24);
  EXPECT_EQ(img.stride, 100u);  // 99 rounded up to a multiple of four
  const std::uint8_t* p = &img.pixels[3 * img.stride + 16 * 3];
  EXPECT_NEAR(p[0], 0x30, 4);
  EXPECT_NEAR(p[1], 0x20, 4);
  EXPECT_NEAR(p[2], 0xC0, 4);
}

TEST(JpegDecoder, GreyFilesAndLowColourScreensGetA236ColourPalette) {
  const auto grey = testkit::GreyJpeg(20, 10, 77);
  jpeg::Image img = jpeg::Decode(grey.data(), grey.size());
  EXPECT_EQ(img.bitsPerPixel, 8);
  ASSERT_FALSE(img.palette.empty());
  EXPECT_LE(img.palette.size(), 236u);
  const std::uint32_t c = img.palette[img.pixels[5]];
  EXPECT_NEAR(static_cast<int>(c & 0xFF), 77, 3);
  EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);  // grey

  std::vector<std::uint8_t> rainbow(64 * 64 * 3);
  for (std::size_t i = 0; i < rainbow.size(); ++i) rainbow[i] = static_cast<std::uint8_t>(i * 7);
  const auto colour = testkit::EncodeJpeg(rainbow, 64, 64, 3);
  jpeg::DecodeOptions eight;
  eight.quantize = true;
  img = jpeg::Decode(colour.data(), colour.size(), eight);
  EXPECT_EQ(img.bitsPerPixel, 8);
  EXPECT_LE(img.palette.size(), 236u);
  EXPECT_GT(img.palette.size(), 16u);
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes, bool headerOnly) {
  try {
    if (headerOnly) jpeg::ReadHeader(bytes.data(), bytes.size());
    else jpeg::Decode(bytes.data(), bytes.size());
  } catch (const jpeg::JpegError& e) {
    return e.what();
  }
  return "";
}

TEST(JpegDecoder, BrokenFilesFailWithLibjpegsMessageNumber) {
  EXPECT_EQ(ErrorOf({0x5A, 0x5A, 0x5A, 0x5A}, true).rfind("JPEG error #", 0), 0u);  // not a JPEG
  auto good = SolidJpeg(64, 48, 0x336699);
  auto headerDamaged = good;
  for (std::size_t i = 0; i + 1 < headerDamaged.size(); ++i)
    if (headerDamaged[i] == 0xFF && headerDamaged[i + 1] == 0xC4) {  // the Huffman tables
      headerDamaged[i + 4] = 0x7F;
      break;
    }
  EXPECT_EQ(ErrorOf(headerDamaged, true).rfind("JPEG error #", 0), 0u);
  const auto inside = testkit::DamagedInsideJpeg(64, 48);
  EXPECT_EQ(ErrorOf(inside, true), "");  // the header is fine
  EXPECT_EQ(ErrorOf(inside, false).rfind("JPEG error #", 0), 0u);
  std::vector<std::uint8_t> detail(256 * 256 * 3);
  for (std::size_t i = 0; i < detail.size(); ++i) detail[i] = static_cast<std::uint8_t>(i * 13 + i / 711);
  auto truncated = testkit::EncodeJpeg(detail, 256, 256, 3);
  ASSERT_GT(truncated.size(), 8000u);  // so that half of it is well past the header
  truncated.resize(truncated.size() / 2);
  EXPECT_EQ(ErrorOf(truncated, false), "");  // a warning: the missing rows are filled in
  EXPECT_EQ(ErrorOf({}, true).rfind("JPEG error #", 0), 0u);
}

TEST(JpegDecoder, RefusesPicturesTooLargeForTheProcess) {
  auto bytes = SolidJpeg(16, 16, 0x808080);
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0x75, bytes[i + 6] = 0x30, bytes[i + 7] = 0x75, bytes[i + 8] = 0x30;  // 30000 x 30000
      break;
    }
  EXPECT_EQ(jpeg::ReadHeader(bytes.data(), bytes.size()).width, 30000);
  EXPECT_EQ(ErrorOf(bytes, false), "JPEG image too large (30000 x 30000 pixels)");
}

TEST(JpegDecoder, FilesOfThousandsOfScansAreRefusedBeforeTheyStallTheDialog) {
  // Every scan of a progressive file is a pass over the whole picture: 3,000 empty scans of a
  // 2000 x 2000 picture would hold the presenter's dialog for many seconds.
  const auto bytes = testkit::ManyScansJpeg(2000, 2000, 3000);
  ASSERT_LT(bytes.size(), 40000u);
  EXPECT_EQ(jpeg::ReadHeader(bytes.data(), bytes.size()).width, 2000);
  const DWORD start = GetTickCount();
  EXPECT_EQ(ErrorOf(bytes, false), "JPEG file with more than 500 scans");
  EXPECT_LT(GetTickCount() - start, 5000u);
  const auto few = testkit::ManyScansJpeg(64, 64, 20);  // a handful of scans is an ordinary file
  EXPECT_EQ(ErrorOf(few, false), "");
}

struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  void* bits = nullptr;
  HGDIOBJ old;
  Canvas() {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 200;
    bi.bmiHeader.biHeight = -150;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::uint32_t At(int x, int y) {
    GdiFlush();
    return static_cast<std::uint32_t*>(bits)[y * 200 + x] & 0xFFFFFF;
  }
};

TEST(JpegPicture, DecodesOnceAtFirstDrawAndDrawsScaled) {
  jpeg::JpegPicture picture(SolidJpeg(1600, 1200, 0x20C040), false);
  EXPECT_EQ(picture.Width(), 1600);
  EXPECT_EQ(picture.Decodes(), 0);  // loading reads only the header
  Canvas canvas;
  for (int i = 0; i < 5; ++i) picture.Draw(canvas.dc, {10, 10, 160, 120});
  EXPECT_EQ(picture.Decodes(), 1);
  const std::uint32_t c = canvas.At(90, 70);
  EXPECT_NEAR(static_cast<int>((c >> 16) & 0xFF), 0x20, 4);
  EXPECT_NEAR(static_cast<int>((c >> 8) & 0xFF), 0xC0, 4);
  EXPECT_EQ(canvas.At(5, 5), 0u);        // nothing outside the destination
  EXPECT_EQ(canvas.At(170, 130), 0u);
}

TEST(JpegPicture, EmptyFileIsAnEmptyPicture) {
  jpeg::JpegPicture picture({}, false);
  EXPECT_TRUE(picture.Empty());
  Canvas canvas;
  EXPECT_NO_THROW(picture.Draw(canvas.dc, {0, 0, 160, 120}));
}

TEST(JpegPicture, PixelsThatFailToDecodeRaiseOnceThenDrawNothing) {
  jpeg::JpegPicture picture(testkit::DamagedInsideJpeg(64, 48), false);
  Canvas canvas;
  EXPECT_THROW(picture.Draw(canvas.dc, {0, 0, 160, 120}), jpeg::JpegError);
  EXPECT_TRUE(picture.Failed());
  EXPECT_NO_THROW(picture.Draw(canvas.dc, {0, 0, 160, 120}));
  EXPECT_EQ(picture.Decodes(), 1);
}

TEST(JpegPicture, HeaderFailureRaisesAtLoad) {
  EXPECT_THROW(jpeg::JpegPicture(std::vector<std::uint8_t>(100, 0x5A), false), jpeg::JpegError);
}

}  // namespace

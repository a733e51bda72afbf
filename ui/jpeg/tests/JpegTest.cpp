// The JPEG reader on files made here: every aspect, grey scale, and the ways a file can be broken.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "testkit/JpegWriter.h"
#include "testkit/Presentation.h"
#include "ui/PictureLoader.h"
#include "ui/jpeg/JpegAtSize.h"
#include "ui/jpeg/JpegDecoder.h"
#include "ui/jpeg/JpegPicture.h"

namespace {

using testkit::SolidJpeg;

// The same file claiming another size in its frame header (baseline or progressive): the header
// reads as that size, and the missing data decodes as grey.
std::vector<std::uint8_t> WithSize(std::vector<std::uint8_t> bytes, int width, int height) {
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
      bytes[i + 5] = static_cast<std::uint8_t>(height >> 8), bytes[i + 6] = static_cast<std::uint8_t>(height);
      bytes[i + 7] = static_cast<std::uint8_t>(width >> 8), bytes[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  return bytes;
}

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
  auto bytes = WithSize(SolidJpeg(16, 16, 0x808080), 30000, 30000);
  EXPECT_EQ(jpeg::ReadHeader(bytes.data(), bytes.size()).width, 30000);
  EXPECT_EQ(ErrorOf(bytes, false), "JPEG image too large (30000 x 30000 pixels)");
  // Decoded to cover the image area, a baseline picture costs little: the cap is on the time it
  // takes to read every pixel.
  jpeg::DecodeOptions area;
  area.coverWidth = 160;
  area.coverHeight = 120;
  const auto big = WithSize(SolidJpeg(16, 16, 0x808080), 14000, 14000);
  EXPECT_EQ(jpeg::Decode(big.data(), big.size(), area).width, 1750);
  const auto tooBig = WithSize(SolidJpeg(16, 16, 0x808080), 15000, 14000);
  EXPECT_THROW(jpeg::Decode(tooBig.data(), tooBig.size(), area), jpeg::JpegError);
  // At full size, the cap is on the decoded picture's memory.
  const auto full = WithSize(SolidJpeg(16, 16, 0x808080), 8000, 6000);
  EXPECT_EQ(ErrorOf(full, false), "JPEG image too large (8000 x 6000 pixels)");
  // A progressive picture buffers the coefficients of all its blocks, three bytes a pixel here
  // (4:2:0), whatever its output size.
  testkit::JpegWriteOptions progressive;
  progressive.progressive = true;
  const auto fits = WithSize(SolidJpeg(16, 16, 0x808080, progressive), 5000, 5000);
  EXPECT_EQ(jpeg::Decode(fits.data(), fits.size(), area).width, 625);
  const auto over = WithSize(SolidJpeg(16, 16, 0x808080, progressive), 6000, 5000);
  try {
    jpeg::Decode(over.data(), over.size(), area);
    ADD_FAILURE() << "a progressive 6000 x 5000 picture decoded";
  } catch (const jpeg::JpegError& e) {
    EXPECT_STREQ(e.what(), "JPEG image too large (6000 x 5000 pixels: decoding it needs more than 80 MB)");
  }
  // Colour at full resolution (4:4:4) doubles that: six bytes a pixel, a cap of about 14 million.
  progressive.fullChroma = true;
  const auto fitsFull = WithSize(SolidJpeg(16, 16, 0x808080, progressive), 3600, 3600);
  EXPECT_EQ(jpeg::Decode(fitsFull.data(), fitsFull.size(), area).width, 450);
  const auto overFull = WithSize(SolidJpeg(16, 16, 0x808080, progressive), 4000, 3800);
  EXPECT_EQ(ErrorOf(overFull, false), "JPEG image too large (4000 x 3800 pixels: decoding it needs more than 80 MB)");
}

TEST(JpegDecoder, DecodesAtTheSmallestEighthThatCoversTheArea) {
  struct Case {
    int width, height, areaWidth, areaHeight, decodedWidth, decodedHeight;
  };
  for (const Case c : {Case{4000, 3000, 160, 120, 500, 375}, {1920, 1080, 160, 90, 240, 135},
                       {1024, 768, 160, 120, 256, 192},  // 1/8 would be 128 x 96
                       {1280, 1024, 150, 120, 160, 128}, {768, 1024, 90, 120, 96, 128},
                       {1000, 750, 320, 240, 375, 282},  // 3/8, rounded up as libjpeg does
                       {1001, 751, 1000, 750, 1001, 751}, {100, 75, 160, 120, 100, 75}}) {
    const auto bytes = SolidJpeg(c.width, c.height, 0x336699);
    jpeg::DecodeOptions options;
    options.coverWidth = c.areaWidth;
    options.coverHeight = c.areaHeight;
    const jpeg::Image img = jpeg::Decode(bytes.data(), bytes.size(), options);
    EXPECT_EQ(img.width, c.decodedWidth) << c.width << " x " << c.height;
    EXPECT_EQ(img.height, c.decodedHeight) << c.width << " x " << c.height;
    EXPECT_EQ(img.pixels.size(), img.stride * img.height);
  }
}

// The picture as it was drawn before decoding was scaled: full size, then area averaging.
ui::BgrImage FullThenAveraged(const std::vector<std::uint8_t>& bytes, int width, int height) {
  const jpeg::Image full = jpeg::Decode(bytes.data(), bytes.size());
  ui::BgrImage bgr{full.width, full.height, (static_cast<std::size_t>(full.width) * 3 + 3) & ~std::size_t{3}, {}};
  bgr.pixels.resize(bgr.stride * bgr.height);
  for (int y = 0; y < full.height; ++y)
    for (int x = 0; x < full.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const std::uint8_t* p = &full.pixels[y * full.stride];
        bgr.pixels[y * bgr.stride + x * 3 + c] =
            full.bitsPerPixel == 24 ? p[x * 3 + c] : (full.palette[p[x]] >> (8 * c)) & 0xFF;
      }
  return ui::ScaleBgr(bgr.pixels.data(), bgr.width, bgr.height, bgr.stride, width, height);
}

struct Difference {
  double mean = 0;
  int largest = 0;
  double over16 = 0;  // the share of values more than 16 apart
};

Difference Compare(const ui::BgrImage& a, const ui::BgrImage& b) {
  Difference d;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width * 3; ++x) {
      const int diff = std::abs(a.pixels[y * a.stride + x] - b.pixels[y * b.stride + x]);
      d.mean += diff;
      d.largest = std::max(d.largest, diff);
      d.over16 += diff > 16;
    }
  d.mean /= 3.0 * a.width * a.height;
  d.over16 /= 3.0 * a.width * a.height;
  return d;
}

TEST(JpegAtSize, MatchesFullDecodingPlusAreaAveragingAtEveryScale) {
  // A 2048 x 1536 slide (title band, text, bars) drawn into areas that make libjpeg decode it at
  // each of 1/8 to 8/8, and the same slide in grey scale (decoded through the 236-level palette).
  testkit::SlideSetup setup;
  setup.width = 2048;
  setup.height = 1536;
  const auto colour = testkit::RenderSlideJpeg(4, setup);
  const jpeg::Image rgb = jpeg::Decode(colour.data(), colour.size());
  std::vector<std::uint8_t> luma(2048u * 1536u);
  for (std::size_t i = 0; i < luma.size(); ++i) {
    const std::uint8_t* p = &rgb.pixels[(i / 2048) * rgb.stride + (i % 2048) * 3];
    luma[i] = static_cast<std::uint8_t>((29 * p[0] + 150 * p[1] + 77 * p[2]) >> 8);
  }
  const auto grey = testkit::EncodeJpeg(luma, 2048, 1536, 1);
  for (const bool isGrey : {false, true})
    for (int eighths = 1; eighths <= 8; ++eighths) {
      const int width = 256 * eighths - 100, height = width * 3 / 4;
      const auto& bytes = isGrey ? grey : colour;
      const jpeg::SizedImage sized = jpeg::DecodeAtSize(bytes, false, width, height);
      EXPECT_EQ(sized.decodedWidth, 256 * eighths);
      ASSERT_EQ(sized.image.width, width);
      ASSERT_EQ(sized.image.height, height);
      const Difference d = Compare(sized.image, FullThenAveraged(bytes, width, height));
      std::printf("%s at %d/8 into %d x %d: mean difference %.3f, largest %d, over 16: %.4f%%\n",
                  isGrey ? "grey" : "colour", eighths, width, height, d.mean, d.largest, 100 * d.over16);
      EXPECT_LT(d.mean, 0.5) << eighths << "/8";
      EXPECT_LE(d.largest, 64) << eighths << "/8";
      EXPECT_LT(d.over16, 0.015) << eighths << "/8";
    }
}

TEST(JpegAtSize, FlatPicturesKeepTheirExactColourAtEveryScale) {
  // Grey pictures go through a palette of 236 evenly spaced levels; 102 is one of them (others are
  // dithered at any size).
  for (const bool isGrey : {false, true}) {
    const auto bytes = isGrey ? testkit::GreyJpeg(2048, 1536, 102) : SolidJpeg(2048, 1536, 0x2D7FC3);
    const ui::BgrImage expected = FullThenAveraged(bytes, 1, 1);
    for (int eighths = 1; eighths <= 8; ++eighths) {
      const int width = 256 * eighths - 100, height = width * 3 / 4;
      const jpeg::SizedImage sized = jpeg::DecodeAtSize(bytes, false, width, height);
      int off = 0;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) off += sized.image.pixels[y * sized.image.stride + x] != expected.pixels[x % 3];
      EXPECT_EQ(off, 0) << (isGrey ? "grey" : "colour") << " at " << eighths << "/8";
    }
  }
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

TEST(JpegPicture, BigBaselinePicturesAreNeverDecodedAtFullSize) {
  // 48 million pixels: over the cap at full size, an eighth of it covers the image area.
  jpeg::JpegPicture picture(SolidJpeg(8000, 6000, 0x20C040), false);
  EXPECT_GT(picture.FileBytesHeld(), 0u);
  Canvas canvas;
  picture.Draw(canvas.dc, {10, 10, 160, 120});
  EXPECT_EQ(picture.DecodedWidth(), 1000);
  EXPECT_EQ(picture.DecodedHeight(), 750);
  EXPECT_EQ(picture.Width(), 8000);  // what the fitting rule sees is unchanged
  EXPECT_EQ(picture.Height(), 6000);
  EXPECT_EQ(picture.FileBytesHeld(), 0u);  // only the bitmap is kept
  EXPECT_NEAR(static_cast<int>((canvas.At(90, 70) >> 8) & 0xFF), 0xC0, 4);

  // Drawn again at another size, the kept bitmap is stretched rather than decoded again.
  picture.Draw(canvas.dc, {0, 0, 80, 60});
  EXPECT_EQ(picture.Decodes(), 1);
  EXPECT_NEAR(static_cast<int>((canvas.At(5, 5) >> 8) & 0xFF), 0xC0, 4);
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

  // Decoded before any paint (set on a laid-out form), the failure waits for the first draw.
  jpeg::JpegPicture prepared(testkit::DamagedInsideJpeg(64, 48), false);
  EXPECT_NO_THROW(prepared.Prepare(160, 120));
  EXPECT_TRUE(prepared.Failed());
  EXPECT_THROW(prepared.Draw(canvas.dc, {0, 0, 160, 120}), jpeg::JpegError);
  EXPECT_NO_THROW(prepared.Draw(canvas.dc, {0, 0, 160, 120}));
  EXPECT_EQ(prepared.Decodes(), 1);
}

// The flag that ends a decode in flight: read by libjpeg's progress hook, in a single pass and while
// a progressive file is read in.
TEST(JpegDecoder, ACancelledDecodeStopsWithAnEmptyImageAndNoException) {
  testkit::JpegWriteOptions progressive;
  progressive.progressive = true;
  std::vector<std::uint8_t> pixels(2000 * 1500 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31 / 7);
  for (const auto& file :
       {testkit::EncodeJpeg(pixels, 2000, 1500, 3), testkit::EncodeJpeg(pixels, 2000, 1500, 3, progressive)}) {
    std::atomic<bool> cancelled{true};
    jpeg::DecodeOptions options;
    options.cancelled = &cancelled;
    EXPECT_EQ(jpeg::Decode(file.data(), file.size(), options).width, 0);
    options.coverWidth = 160;  // scaled as a preview is
    options.coverHeight = 120;
    EXPECT_EQ(jpeg::Decode(file.data(), file.size(), options).width, 0);
    EXPECT_EQ(jpeg::DecodeAtSize(file, false, 160, 120, &cancelled).image.width, 0);
    cancelled = false;
    EXPECT_EQ(jpeg::Decode(file.data(), file.size(), options).width, 250);  // the flag down: decoded whole
  }
  // A cancelled picture reports nothing and draws nothing: it is on its way out.
  std::atomic<bool> cancelled{true};
  jpeg::JpegPicture picture(testkit::SolidJpeg(640, 480, 0x102030), false);
  picture.Prepare(160, 120, &cancelled);
  EXPECT_TRUE(picture.Failed());
  Canvas canvas;
  EXPECT_NO_THROW(picture.Draw(canvas.dc, {0, 0, 160, 120}));
}

TEST(JpegPicture, HeaderFailureRaisesAtLoad) {
  EXPECT_THROW(jpeg::JpegPicture(std::vector<std::uint8_t>(100, 0x5A), false), jpeg::JpegError);
}

TEST(JpegPicture, FilesOverSixtyFourMegabytesAreRefusedAtLoad) {
  // What a 32-bit host can spare for the bytes of one slide picture, beside the decoder's buffers.
  jpeg::RegisterJpegFormat(24);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "pathmr-file-cap.jpg";
  auto loadOfSize = [&](LONGLONG size) -> std::string {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER at{};
    at.QuadPart = size;
    SetFilePointerEx(f, at, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
    try {
      ui::LoadPictureFromFile(path);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(loadOfSize(64LL << 20).rfind("JPEG error #", 0), 0u);  // read, and refused as no JPEG
  EXPECT_EQ(loadOfSize((64LL << 20) + 1), "Picture file too large: \"" + path + "\"");
  DeleteFileA(path.c_str());
  jpeg::UnregisterJpegFormat();
}

}  // namespace

#include "testkit/Screen.h"

#include <cstdio>

#include "ui/Owners.h"

namespace testkit {
namespace {

// The rectangle r of a device context's surface.
Capture CaptureRect(HDC source, const RECT& r) {
  Capture c;
  c.width = r.right - r.left;
  c.height = r.bottom - r.top;
  if (c.width <= 0 || c.height <= 0) return c;
  ui::WindowDc screen;
  ui::MemoryDc memory(screen.get());
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = c.width;
  bi.bmiHeader.biHeight = -c.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ui::GdiObject<HBITMAP> dib(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ui::Selection selected(memory.get(), dib.get());
  BitBlt(memory.get(), 0, 0, c.width, c.height, source, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  c.pixels.assign(p, p + static_cast<std::size_t>(c.width) * c.height);
  for (auto& px : c.pixels) px &= 0xFFFFFF;
  return c;
}

}  // namespace

int ScreenDpi() { return GetDeviceCaps(ui::WindowDc().get(), LOGPIXELSY); }

LOGFONTA IconTitleFontAt(int dpi) {
  LOGFONTA font{};
  SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
  font.lfHeight = MulDiv(MulDiv(font.lfHeight, 96, ScreenDpi()), dpi, 96);
  return font;
}

int ZeroHeight(const char* face, int height, int charset) {
  // Measured here, not by the library's own function: the tests' expectations stay independent of it.
  ui::GdiObject<HFONT> font(CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, static_cast<DWORD>(charset), 0, 0, 0, 0, face));
  ui::ScreenDc dc(font.get());
  SIZE s{};
  GetTextExtentPoint32A(dc.get(), "0", 1, &s);
  return s.cy;
}

RECT ColourBox(const Capture& c, const RECT& within, std::uint32_t rgb, int tolerance) {
  RECT box{within.right, within.bottom, within.left, within.top};
  auto closeTo = [&](std::uint32_t px, int shift) {
    const int a = static_cast<int>((px >> shift) & 0xFF), b = static_cast<int>((rgb >> shift) & 0xFF);
    return a - b <= tolerance && b - a <= tolerance;
  };
  for (int y = within.top; y < within.bottom && y < c.height; ++y)
    for (int x = within.left; x < within.right && x < c.width; ++x) {
      const std::uint32_t px = c.At(x, y);
      if (!closeTo(px, 0) || !closeTo(px, 8) || !closeTo(px, 16)) continue;
      if (x < box.left) box.left = x;
      if (y < box.top) box.top = y;
      if (x + 1 > box.right) box.right = x + 1;
      if (y + 1 > box.bottom) box.bottom = y + 1;
    }
  if (box.left >= box.right) box = RECT{0, 0, 0, 0};
  return box;
}

Capture CaptureClient(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT r;
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return CaptureRect(ui::WindowDc().get(), r);
}

bool SaveWindowBitmap(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  RECT r;
  GetWindowRect(window, &r);
  // Through the window's own device context: the screen's gives nothing beyond the primary monitor.
  const Capture c = CaptureRect(ui::WindowDc(window, ui::WindowDc::WholeWindow).get(),
                                RECT{0, 0, r.right - r.left, r.bottom - r.top});
  if (c.pixels.empty()) return false;
  const int rowBytes = (c.width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = c.width;
  ih.biHeight = c.height;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<DWORD>(rowBytes) * c.height;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(&fh, sizeof fh, 1, f);
  std::fwrite(&ih, sizeof ih, 1, f);
  std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes));
  for (int y = c.height - 1; y >= 0; --y) {
    for (int x = 0; x < c.width; ++x) {
      const std::uint32_t px = c.At(x, y);
      row[x * 3] = px & 0xFF;
      row[x * 3 + 1] = (px >> 8) & 0xFF;
      row[x * 3 + 2] = (px >> 16) & 0xFF;
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

}  // namespace testkit

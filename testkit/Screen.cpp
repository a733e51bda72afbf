#include "testkit/Screen.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "testkit/File.h"
#include "ui/Owners.h"

namespace testkit {
namespace {

// A rectangle of what a DC shows, in its own coordinates.
Capture CaptureFrom(HDC source, const RECT& r) {
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

namespace {
void* Context(int value) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(value)); }
}  // namespace

ThreadDpiContext::ThreadDpiContext(int context) {
  const auto set = UserFunction<void*(WINAPI*)(void*)>("SetThreadDpiAwarenessContext");
  const auto get = UserFunction<void*(WINAPI*)()>("GetThreadDpiAwarenessContext");
  const auto equal = UserFunction<BOOL(WINAPI*)(void*, void*)>("AreDpiAwarenessContextsEqual");
  if (!set || !get || !equal) return;
  previous_ = set(Context(context));
  accepted_ = previous_ && equal(get(), Context(context));
}

ThreadDpiContext::~ThreadDpiContext() {
  if (previous_) UserFunction<void*(WINAPI*)(void*)>("SetThreadDpiAwarenessContext")(previous_);
}

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
  return CaptureFrom(ui::WindowDc().get(), r);
}

Capture CaptureClient(HWND window, const std::function<bool(const Capture&)>& painted, unsigned deadlineMsec) {
  const DWORD start = GetTickCount();
  for (;;) {
    Capture c = CaptureClient(window);
    if (painted(c) || GetTickCount() - start >= deadlineMsec) return c;
    // A picture may still decode beside the dialog, and the news of its end is a message posted
    // to this thread, which the dialog's loop would take: the library's posted messages are taken
    // here too (no timers, input or paints, so that no test step runs inside another).
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_APP, 0xBFFF, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(10);
  }
}

RECT ColourBoxOnScreen(HWND window, const RECT& within, std::uint32_t colour, bool shown, int tolerance) {
  auto box = [&](const Capture& c) { return ColourBox(c, within, colour, tolerance); };
  const Capture c = CaptureClient(window, [&](const Capture& read) {
    const RECT r = box(read);
    return IsRectEmpty(&r) != shown;
  });
  return box(c);
}

Capture CaptureWindow(HWND window) {
  // Every window of the tree, frame included, paints before this returns. The pixels are then
  // read through the window's own DC: Wine hands a window's painting to the X server a little
  // later, so a read from the screen could still miss the last control painted.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  RECT r;
  GetWindowRect(window, &r);
  OffsetRect(&r, -r.left, -r.top);
  return CaptureFrom(ui::WindowDc(window, ui::WindowDc::WholeWindow).get(), r);
}

bool ShowsText(const Capture& shot, HWND window, HWND control) {
  RECT frame, r;
  GetWindowRect(window, &frame);
  GetWindowRect(control, &r);
  OffsetRect(&r, -frame.left, -frame.top);
  InflateRect(&r, -3, -3);  // inside the control's own edges
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  const RECT box = ColourBox(shot, r, GetRValue(text) << 16 | GetGValue(text) << 8 | GetBValue(text), 48);
  return !IsRectEmpty(&box);
}

bool SaveWindowBitmap(HWND window, const std::string& path) { return SaveBitmap(CaptureWindow(window), path); }

bool SaveBitmap(const Capture& c, const std::string& path) {
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
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  std::fwrite(&fh, sizeof fh, 1, f.get());
  std::fwrite(&ih, sizeof ih, 1, f.get());
  std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes));
  for (int y = c.height - 1; y >= 0; --y) {
    for (int x = 0; x < c.width; ++x) {
      const std::uint32_t px = c.At(x, y);
      row[x * 3] = px & 0xFF;
      row[x * 3 + 1] = (px >> 8) & 0xFF;
      row[x * 3 + 2] = (px >> 16) & 0xFF;
    }
    std::fwrite(row.data(), 1, row.size(), f.get());
  }
  return std::fclose(f.release()) == 0;  // closed here for its result: bytes it cannot write fail it
}

TestPrefix CurrentPrefix() {
  TestPrefix prefix;
  std::string name = std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "";
  name = name.substr(name.find_last_of("/\\") + 1);
  const std::size_t dash = name.find('-');
  if (name.compare(0, 4, "wine") != 0 || dash == std::string::npos) return prefix;
  const std::size_t end = name.find('-', dash + 1);
  prefix.dpi = std::atoi(name.substr(dash + 1, end - dash - 1).c_str());
  if (end != std::string::npos) prefix.kind = name.substr(end + 1);
  return prefix;
}

int WineMajorVersion() {
  using Version = const char*(__cdecl*)();
  const auto version =
      reinterpret_cast<Version>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
  return version ? std::atoi(version()) : 0;
}

std::string ScreenshotName(const std::string& dialog) {
  const std::string kind = CurrentPrefix().kind;
  return dialog + "-" + std::to_string(GetDeviceCaps(ui::WindowDc().get(), LOGPIXELSY)) + "dpi" +
         (kind.empty() ? "" : "-" + kind) + ".bmp";
}

}  // namespace testkit

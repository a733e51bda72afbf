// Pixels read back from the display.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/Owners.h"

namespace testkit {

struct Capture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The screen's density as this process sees it.
int ScreenDpi();
// A function of user32 by name: the ones of later systems than the build targets (null if missing).
template <class F>
F UserFunction(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// The calling thread's DPI awareness context for a scope, set as a host sets it before it calls
// the exports (DPI_AWARENESS_CONTEXT_UNAWARE -1 ... PER_MONITOR_AWARE_V2 -4). Accepted() is false
// where the system refuses that context (Wine 8 knows no per-monitor v2).
class ThreadDpiContext {
 public:
  explicit ThreadDpiContext(int context);
  ~ThreadDpiContext();
  ThreadDpiContext(const ThreadDpiContext&) = delete;
  ThreadDpiContext& operator=(const ThreadDpiContext&) = delete;
  bool Accepted() const { return accepted_; }

 private:
  void* previous_ = nullptr;
  bool accepted_ = false;
};

// The icon-title font a dialog laid out for a density must have: the system keeps it for 96 dpi
// and scales it to each density.
LOGFONTA IconTitleFontAt(int dpi);

// Height of the text "0" in a font: the measure the dialog layouts scale by.
int ZeroHeight(const char* face, int height, int charset = DEFAULT_CHARSET);

// The smallest rectangle (left, top, right, bottom; empty when none) of pixels within `tolerance`
// of a colour, inside the given rectangle of a capture.
RECT ColourBox(const Capture& c, const RECT& within, std::uint32_t rgb, int tolerance = 24);

// The window's client area as it is on the screen now (after it has painted).
Capture CaptureClient(HWND window);
// The same, read again until it shows what the test waits for (`painted`) or until `deadlineMsec`
// have passed (the last read is returned then, for the test to fail on): the screen can lag behind
// the paint that RedrawWindow has finished, so a single read could see the window's last frame.
Capture CaptureClient(HWND window, const std::function<bool(const Capture&)>& painted, unsigned deadlineMsec = 3000);
// The bounding box of `colour` in `within` of a window's client area, read again until it is shown
// (or gone, where `shown` is false) or until the deadline.
RECT ColourBoxOnScreen(HWND window, const RECT& within, std::uint32_t colour, bool shown = true, int tolerance = 24);
// The whole window, frame included, once all of it has painted; written as a 24-bit BMP file.
Capture CaptureWindow(HWND window);
bool SaveBitmap(const Capture& c, const std::string& path);
bool SaveWindowBitmap(HWND window, const std::string& path);
// Whether a capture of a window shows text of the button-text colour inside one of its controls.
bool ShowsText(const Capture& shot, HWND window, HWND control);
// The Wine prefix a test runs in, as build.sh names it ("wine64-144", "wine32-96-largefont"): the
// screen density it was made for (0 outside such a prefix) and what else sets it apart, if anything.
struct TestPrefix {
  int dpi = 0;
  std::string kind;
};
TestPrefix CurrentPrefix();
// The major version of the Wine the test runs under (ntdll's wine_get_version), 0 on Windows.
int WineMajorVersion();
// The file a dialog's screenshot goes to: "history-144dpi.bmp", "about-96dpi-largefont.bmp".
std::string ScreenshotName(const std::string& dialog);

// An off-screen surface the size of the preview's area, compatible with the screen, for drawing
// pictures as the dialog does without a window (benchmarks).
struct Canvas {
  ui::WindowDc screen;
  ui::MemoryDc memory{screen.get()};
  ui::GdiObject<HBITMAP> bitmap{CreateCompatibleBitmap(screen.get(), 160, 120)};
  ui::Selection selected{memory.get(), bitmap.get()};
  HDC dc = memory.get();
};

}  // namespace testkit

// Platform helpers shared by the windowing layer's own sources. Not for the dialogs.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

// The module that holds this code and its resources (the library, or a test program).
HINSTANCE Instance();

// Registers a window class of the layer once; ShutdownWindowing unregisters it.
void EnsureWindowClass(const char* name, WNDPROC proc, int windowExtra, UINT style, HBRUSH background);

// The window procedure of the layer's own classes: routes to Control::HandleMessage and reports
// exceptions in the error box before control returns to the system.
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A device-independent bitmap with its rows top first, and its pixels (bitsPerPixel 24 or 32).
// Throws ui::OutOfResources when the system refuses; the caller owns the bitmap.
HBITMAP CreateTopDownBitmap(int width, int height, int bitsPerPixel, void** pixels);

// The screen's device context, optionally with a font selected; both given back when it goes.
class ScreenDc {
 public:
  explicit ScreenDc(HFONT font = nullptr)
      : dc_(GetDC(nullptr)), old_(font ? SelectObject(dc_, font) : nullptr) {}
  ~ScreenDc() {
    if (old_) SelectObject(dc_, old_);
    ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint and EndPaint as a pair: EndPaint runs even when painting fails, or the window would
// be asked to paint forever.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
  ~PaintScope() { EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_;
  HDC dc_;
};

// Text of a layout resource stored in the module.
std::string LoadLayoutResource(const std::string& name);

}  // namespace ui

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

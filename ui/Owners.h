// One owner for each kind of thing the windowing system hands out: GDI objects, device contexts
// and what is selected into them, windows and hooks. Each gives back what it holds exactly once,
// when it goes, however the scope ends; none can be copied. Modules, kernel handles, VARIANTs and
// BSTRs have theirs in platform/Owners.h.
#pragma once
#include <windows.h>

#include <utility>

namespace ui {

// A GDI object of ours (a bitmap, a font, a brush): deleted when it goes. Movable, so that it can
// be made in one place and kept in another.
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H handle) : h_(handle) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(H handle = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = handle;
  }
  // Gives the object up without deleting it.
  H release() { return std::exchange(h_, nullptr); }

 private:
  H h_ = nullptr;
};

// An object selected into a device context for a scope: the object it replaced comes back when
// this goes, so the context never ends up holding something that is about to be deleted.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory device context compatible with another one, deleted when it goes.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A window's device context (its client area, or the whole window with its frame), released to
// the window when it goes. No window means the screen's.
class WindowDc {
 public:
  enum Area { Client, WholeWindow };
  explicit WindowDc(HWND window = nullptr, Area area = Client)
      : window_(window), dc_(area == WholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The screen's device context, optionally with a font selected; both given back when it goes.
class ScreenDc {
 public:
  explicit ScreenDc(HFONT font = nullptr) : selection_(dc_.get(), font) {}
  HDC get() const { return dc_.get(); }

 private:
  WindowDc dc_;  // declared first: the selection is undone before the context is released
  Selection selection_;
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

// A window of ours, destroyed when it goes (on the thread that made it). A window that is destroyed
// otherwise (with its parent) is given up with release() when its last message comes.
class Window {
 public:
  explicit Window(HWND window = nullptr) : w_(window) {}
  ~Window() { reset(); }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND get() const { return w_; }
  void reset(HWND window = nullptr) {
    if (w_) DestroyWindow(w_);
    w_ = window;
  }
  HWND release() { return std::exchange(w_, nullptr); }

 private:
  HWND w_;
};

// A hook of this thread's messages, set for a while: removed when it goes.
class Hook {
 public:
  Hook(int kind, HOOKPROC proc) : h_(SetWindowsHookExA(kind, proc, nullptr, GetCurrentThreadId())) {}
  ~Hook() {
    if (h_) UnhookWindowsHookEx(h_);
  }
  Hook(const Hook&) = delete;
  Hook& operator=(const Hook&) = delete;

 private:
  HHOOK h_;
};

}  // namespace ui

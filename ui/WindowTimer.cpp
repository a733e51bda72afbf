// Timer ticks through the thread's message loop: SetTimer on a hidden message-only window.
#include <windows.h>

#include "ui/ErrorBox.h"
#include "ui/Platform.h"
#include "ui/Timer.h"

namespace ui {
namespace {

constexpr char kTimerClass[] = "PathmrTimer";
constexpr UINT_PTR kTimerId = 1;

class WindowTimerBackend : public TimerBackend {
 public:
  ~WindowTimerBackend() override {
    if (window_) DestroyWindow(window_);
  }

  bool Start(unsigned intervalMsec, std::function<void()> tick) override {
    tick_ = std::move(tick);
    if (!window_) {
      EnsureWindowClass(kTimerClass, &Proc, 0, 0, nullptr);
      window_ = CreateWindowExA(0, kTimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(), this);
      if (!window_) return false;
    }
    return SetTimer(window_, kTimerId, intervalMsec, nullptr) != 0;
  }

  void Stop() override {
    if (window_) KillTimer(window_, kTimerId);
  }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrA(w, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<WindowTimerBackend*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (message == WM_TIMER && self && wParam == kTimerId) {
      try {
        if (self->tick_) self->tick_();
      } catch (...) {
        ReportCurrentException(nullptr);
      }
      return 0;
    }
    return DefWindowProcA(w, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::function<void()> tick_;
};

}  // namespace

std::unique_ptr<TimerBackend> MakeWindowTimerBackend() { return std::make_unique<WindowTimerBackend>(); }

}  // namespace ui

// Timer ticks through the thread's message loop: SetTimer on a hidden message-only window.
#include <windows.h>

#include "platform/Module.h"
#include "ui/ErrorBox.h"
#include "ui/Owners.h"
#include "ui/Timer.h"
#include "ui/WindowClass.h"

namespace ui {
namespace {

constexpr char kTimerClass[] = "PathmrTimer";
constexpr UINT_PTR kTimerId = 1;

class WindowTimerBackend : public TimerBackend {
 public:
  bool Start(unsigned intervalMsec, std::function<void()> tick) override {
    tick_ = std::move(tick);
    if (!window_.get()) {
      EnsureWindowClass(kTimerClass, &Proc, 0, 0, nullptr);
      window_.reset(CreateWindowExA(0, kTimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, platform::Instance(), this));
      if (!window_.get()) return false;
    }
    return SetTimer(window_.get(), kTimerId, intervalMsec, nullptr) != 0;
  }

  void Stop() override {
    if (window_.get()) KillTimer(window_.get(), kTimerId);
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

  std::function<void()> tick_;
  Window window_;  // destroyed first: no tick after the function has gone
};

}  // namespace

std::unique_ptr<TimerBackend> MakeWindowTimerBackend() { return std::make_unique<WindowTimerBackend>(); }

}  // namespace ui

// Drives a modal dialog from the thread that runs it: the call that shows the dialog blocks, but
// its modal loop dispatches this thread's timer, whose ticks run the steps one at a time. A
// watchdog closes whatever is still open after a time limit, so a stuck dialog fails a test
// instead of hanging it.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testkit {

class Driver {
 public:
  using Step = std::function<bool()>;  // true when the step is done; false: try again next tick

  explicit Driver(unsigned watchdogMsec = 15000);
  ~Driver();

  Driver& Then(Step step);
  // Waits for a number of ticks (lets posted input and timers settle).
  Driver& Wait(int ticks);

  // Runs the call that shows a dialog while the steps run.
  template <class F>
  auto Run(F&& call) -> decltype(call()) {
    Start();
    struct Stopper {
      Driver& d;
      ~Stopper() { d.Stop(); }
    } stopper{*this};
    return call();
  }

  bool AllStepsRan() const { return next_ == steps_.size(); }
  bool TimedOut() const { return timedOut_; }

 private:
  void Start();
  void Stop();
  void Tick();
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  unsigned watchdogMsec_;
  DWORD started_ = 0;
  UINT_PTR timer_ = 0;
  bool timedOut_ = false;
  bool inTick_ = false;
};

// A visible top-level window of this thread with that caption (and class, when given).
HWND FindDialog(const char* caption, const char* className = nullptr);
// A descendant window of that class, and with that text when given.
HWND FindChild(HWND root, const char* className, const char* text = nullptr);
std::string WindowText(HWND window);
// The window, or one of its shown descendants, still has something to paint.
bool WaitsForPaint(HWND window);
// A window's rectangle in the client coordinates of another window.
RECT RectIn(HWND window, HWND reference);
// A message box of this thread (class #32770) and its text.
HWND FindMessageBox();
std::string MessageBoxText(HWND box);

void PostKey(HWND target, WORD vk);
void PostSysKey(HWND target, WORD vk);
void DoubleClickRow(HWND listBox, int row);
void ClickRow(HWND listBox, int row);

}  // namespace testkit

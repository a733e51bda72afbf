// Input the way a user makes it: through the system's input queue (SendInput), so that it is
// hit-tested, reaches only enabled windows and follows activation and focus. Posted messages skip
// all three. Sent from a driver step, the input waits in this thread's queue until the running
// modal loop takes it.
#pragma once
#include <windows.h>

#include <vector>

#include "ui/Owners.h"

namespace testkit {

// Screen points to aim at.
POINT CentreOf(HWND window);
POINT RowCentreOnScreen(HWND listBox, int row);
// A point of the window's close box, found by hit-testing along its caption; {-1, -1} when none.
POINT CloseBoxOf(HWND window);

// Each returns false when the system did not take the whole input (the test should fail then).
// The mouse first moves to the point, then presses there.
bool MoveMouse(POINT screen);
bool Click(POINT screen);
bool DoubleClick(POINT screen);
// Presses and releases each key in turn; TypeWith holds the modifier (Shift, Ctrl, Alt) around the key.
bool Type(const std::vector<WORD>& keys);
bool TypeWith(WORD modifier, WORD key);

// Typed keys go to the focus of the foreground window: makes the window's top-level window the
// foreground window unless the window or one of its parents already is. True once that holds
// and the focus is inside the given window (it is not moved there: that is the dialog's job).
bool BringToForeground(HWND window);

// A stand-in for the host's main window (or its slide show: WS_POPUP over a whole monitor): a
// top-level window that counts the input reaching it and the requests to close it, which it refuses.
class HostWindow {
 public:
  HostWindow(int x, int y, int width, int height, DWORD style = WS_OVERLAPPEDWINDOW);
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Handle() const { return window_.get(); }
  int InputSeen() const { return inputSeen_; }
  int CloseRequests() const { return closeRequests_; }
  // A screen point inside the window's client area.
  POINT ClientPointOnScreen(int x, int y) const;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  int inputSeen_ = 0;
  int closeRequests_ = 0;
  // Declared last, so destroyed first: the counters are still there for the window's last
  // messages. A test may destroy the window itself (a slide show that ends); it is given up then.
  ui::Window window_;
};

}  // namespace testkit

// The modal loop of a form, and the rules of input while it runs: the rest of the thread's windows
// are out of reach, the keys belong to the form, and the keyboard cues come on as the system's
// dialogs switch them on (dialogs/AltKeyRepaintFix repaints themed buttons after that).
#include "ui/Form.h"

#include <vector>

#include "platform/DebugOutput.h"
#include "platform/Owners.h"
#include "ui/Controls.h"
#include "ui/Density.h"
#include "ui/ErrorBox.h"
#include "ui/WindowLists.h"

namespace ui {
namespace {

// True when `ancestor` is one of the window's parents, up to the desktop.
bool IsAncestorOf(HWND ancestor, HWND window) {
  const HWND desktop = GetDesktopWindow();
  for (HWND p = GetAncestor(window, GA_PARENT); p && p != desktop; p = GetAncestor(p, GA_PARENT))
    if (p == ancestor) return true;
  return false;
}

// While a form is modal, the thread's other visible and enabled top-level windows are disabled.
// Not the form's own ancestors (a form shown inside the host's window): the system gives no
// mouse input to the windows inside a disabled one, so the form could not be clicked.
class DisabledThreadWindows {
 public:
  explicit DisabledThreadWindows(HWND except) {
    for (HWND w : ThreadWindows()) {
      if (w == except || IsAncestorOf(w, except) || !IsWindowVisible(w) || !IsWindowEnabled(w)) continue;
      try {
        windows_.push_back(w);
      } catch (...) {
        break;
      }
    }
    for (HWND w : windows_) EnableWindow(w, FALSE);
  }
  ~DisabledThreadWindows() { Restore(); }
  void Restore() {
    for (HWND w : windows_)
      if (IsWindow(w)) EnableWindow(w, TRUE);
    windows_.clear();
  }

 private:
  std::vector<HWND> windows_;
};

// Input aimed at a point: mouse, pen and touch (pointer messages, WM_TOUCH) and gestures. Outside
// the modal form it goes nowhere, or a tap or swipe would change slides behind the dialog.
bool IsPointerInput(UINT message) {
  constexpr UINT kTouch = 0x0240, kLastPointer = 0x0253;  // WM_TOUCH .. WM_POINTERROUTEDRELEASED
  constexpr UINT kGesture = 0x0119, kGestureNotify = 0x011A;
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
         (message >= kTouch && message <= kLastPointer) || message == kGesture || message == kGestureNotify;
}

bool IsKeyInput(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

bool ModifierHeld() {
  return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}
}  // namespace

void Form::FocusFirstControl() {
  HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE);
  if (first) SendMessageA(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

void Form::ProcessModalMessage(void* rawMsg) {
  MSG& msg = *static_cast<MSG*>(rawMsg);
  // The first of the form's windows to paint brings the others along, in one go: left to the
  // queue, each one's paint waits for a turn of the loop of its own, and the form stands half
  // painted meanwhile (the form just shown, or a change of density).
  if (msg.message == WM_PAINT && OwnsWindow(msg.hwnd)) {
    try {
      AboutToPaint();
    } catch (...) {
      ReportCurrentException(handle_);
    }
    DispatchMessageA(&msg);
    RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return;
  }
  if (msg.hwnd && !OwnsWindow(msg.hwnd)) {
    // The windows that stay enabled (the form's ancestors) are still out of reach: their mouse
    // input goes nowhere. Keys belong to the modal form: if the focus strayed outside it, it
    // comes back (the dialog manager restores the control that had it) and takes the key there.
    if (IsPointerInput(msg.message)) return;
    if (IsKeyInput(msg.message)) {
      SetFocus(handle_);
      HWND focus = GetFocus();
      if (!focus || !OwnsWindow(focus)) return;
      msg.hwnd = focus;
    }
  }
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && OwnsWindow(msg.hwnd)) {
    const auto key = static_cast<std::uint16_t>(msg.wParam);
    try {
      FireShortCut(key);
    } catch (...) {
      ReportCurrentException(handle_);
      return;  // the key is dropped
    }
    // The keys on which the keyboard cues (accelerator underlines, focus rectangles) come on.
    if (key == VK_MENU)
      SendMessageA(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
    else if (key == VK_TAB || (key >= VK_LEFT && key <= VK_DOWN))
      SendMessageA(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    // Alt+F4 ends this form. Left to the system, it would close the outermost window: the
    // host's, when the form is shown inside it.
    if (key == VK_F4 && msg.message == WM_SYSKEYDOWN) {
      Close();
      return;
    }
    if ((key == VK_RETURN || key == VK_ESCAPE) && ModifierHeld()) {
      // Enter and Escape with Shift, Ctrl or Alt click no button.
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      return;
    }
  }
  // Alt+Space opens this form's own system menu; from a child window the system would pass it
  // up to the host's.
  if (msg.message == WM_SYSCHAR && msg.wParam == VK_SPACE && OwnsWindow(msg.hwnd)) {
    SendMessageA(handle_, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
    return;
  }
  if (handle_ && IsDialogMessageA(handle_, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

int Form::ShowModal() {
  // Destroyed with its host (the form's window went with it) while the host ran code of its own.
  if (hostWindow_ && !IsWindow(hostWindow_)) return mrNone;
  HandleNeeded();
  if (IsWindowVisible(handle_) || !IsWindowEnabled(handle_))
    throw Exception("Cannot make a visible window modal");
  ReleaseCapture();
  HWND previousActive = GetActiveWindow();
  modalResult_ = mrNone;
  modal_ = true;
  platform::ScopeExit modalEnd([this] { modal_ = false; });
  DisabledThreadWindows disabled(handle_);
  if (centered_) PlaceForShow();
  // Laid out at the system density; a per-monitor aware host may show it at another.
  const int placed = WindowDensity(handle_);
  if (placed != density_) {
    try {
      ChangeDensity(placed, nullptr);
    } catch (...) {
      // No error box before the loop: the dialog opens as far as it got (its picture may be missing).
      platform::WriteCurrentException("density change");
    }
    if (centered_) PlaceForShow();
  }
  // Keys and characters queued before the form opened were meant for the host (what is left of
  // the key whose handler opened it): they are dropped, not redirected into the form.
  MSG stale;
  while (PeekMessageA(&stale, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  if (onShow_) onShow_();
  ShowWindow(handle_, SW_SHOWNORMAL);
  FocusFirstControl();
  while (modalResult_ == mrNone && handle_) {
    MSG msg;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // WM_QUIT belongs to the host's own loop: end the dialog and hand it on.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult_ = mrCancel;
      break;
    }
    ProcessModalMessage(&msg);
  }
  if (!handle_) return modalResult_ == mrNone ? mrCancel : modalResult_;
  // The other windows are enabled before the form goes away, so that activation has somewhere
  // to return to instead of jumping to another program.
  const bool stillActive = GetActiveWindow() == handle_;
  disabled.Restore();
  if (stillActive && previousActive && IsWindow(previousActive)) SetActiveWindow(previousActive);
  ShowWindow(handle_, SW_HIDE);
  return modalResult_;
}
}  // namespace ui

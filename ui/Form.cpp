#include "ui/Form.h"

#include <vector>

#include "ui/ControlFactory.h"
#include "ui/Controls.h"
#include "ui/Density.h"
#include "ui/ErrorBox.h"
#include "ui/FormPlacement.h"
#include "ui/Layout.h"
#include "ui/Platform.h"

namespace ui {
namespace {

const LayoutNode& EmptyNode() {
  static const LayoutNode node;
  return node;
}

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

// A window that a child of it could be seen in: shown, and its top-level window not minimised.
bool CanShowChild(HWND window) {
  return IsWindowVisible(window) && !IsIconic(GetAncestor(window, GA_ROOT));
}

// The monitor that holds a window; for a minimised one, where it will be restored to.
HMONITOR MonitorOf(HWND window) {
  HWND top = GetAncestor(window, GA_ROOT);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (top && IsIconic(top) && GetWindowPlacement(top, &placement))
    return MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONEAREST);
  return MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
}

Bounds BoundsOf(const RECT& r) { return Bounds{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

bool ModifierHeld() {
  return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

}  // namespace

Form::Form() : Control(this, nullptr, EmptyNode()) {}

Form::~Form() = default;  // window_ goes first, while everything its last messages reach is here

void Form::Abandon() {
  // Windows of the layer's classes would call into this module after it is gone: they get the
  // system's default procedure (list boxes and buttons have the system's own). Neither sends a
  // message nor waits on another thread.
  if (handle_)
    for (HWND w : WindowTree(handle_)) {
      if (reinterpret_cast<HINSTANCE>(GetClassLongPtrA(w, GCLP_HMODULE)) != Instance()) continue;
      SetWindowLongPtrA(w, GWLP_USERDATA, 0);
      SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    }
  window_.release();
  windows_.clear();
  ForgetWindows(*this);
}

void Form::Load(const std::string& layoutName, Handlers handlers) {
  // The layout of TNameForm is stored from resources/NameForm.layout.
  LoadFromText(LoadLayoutResource(layoutName), std::move(handlers), layoutName.substr(1) + ".layout");
}

void Form::LoadFromText(const std::string& layoutText, Handlers handlers, const std::string& source) {
  const auto layout = ParseLayout(layoutText);
  name_ = className_ = layout->name;
  caption_ = layout->Text("Caption");
  const auto size = layout->Ints("ClientSize");
  if (size.size() != 2) throw Exception("Layout of " + name_ + ": ClientSize needs width, height");
  layoutWidth_ = clientWidth_ = size[0];
  layoutHeight_ = clientHeight_ = size[1];
  const std::string border = layout->Text("BorderStyle", "Sizeable");
  if (border != "Sizeable" && border != "Dialog") throw Exception("Layout of " + name_ + ": unknown BorderStyle");
  sizeable_ = border == "Sizeable";
  centered_ = layout->Text("Position", "ScreenCenter") == "ScreenCenter";
  textHeight_ = layout->Int("TextHeight", 13);
  if (layout->Has("Font")) layoutFont_ = std::make_unique<FontDescription>(FontFromLayout(*layout));
  if (layoutFont_) font_.SetDescription(*layoutFont_);
  font_.OnChange = [this] { FontChanged(); };
  BuildControls(this, this, *layout);
  LayOut(SystemDensity());
  BindEvents(*layout, *this, handlers);
  const std::string onCreate = layout->Text("OnCreate");
  // A misspelt key would otherwise be ignored without a word.
  const auto unread = layout->UnreadKeys();
  if (!unread.empty())
    throw Exception(source + ": " + unread.front().first + " has a key that no control of its kind reads: " +
                    unread.front().second);
  if (!onCreate.empty()) {
    const auto it = handlers.actions.find(onCreate);
    if (it == handlers.actions.end()) throw Exception("Layout of " + name_ + ": no handler " + onCreate);
    it->second();
  }
}

void Form::LayOut(int dpi) {
  // First the layout font follows the density, then every size follows the font: the layout was
  // made for a "0" of textHeight_ pixels. Always from the layout's own values, so that no
  // rounding carries over from one density to the next.
  density_ = dpi;
  if (layoutFont_) {
    FontDescription d = *layoutFont_;
    d.height = FontHeightForDensity(d.height, dpi);
    font_.SetDescription(d);
  }
  const int measured = ZeroHeight(font_.Handle());
  laidOutText_ = measured > 0 ? measured : textHeight_;
  clientWidth_ = laidOutWidth_ = ScaleValue(layoutWidth_, laidOutText_, textHeight_);
  clientHeight_ = laidOutHeight_ = ScaleValue(layoutHeight_, laidOutText_, textHeight_);
  for (auto& child : children_) child->ScaleFromLayout(laidOutText_, textHeight_);
}

void Form::ChangeDensity(int dpi, const tagRECT* suggested) {
  if (dpi <= 0 || dpi == density_) return;
  const int width = clientWidth_, height = clientHeight_;
  const int laidOutWidth = laidOutWidth_, laidOutHeight = laidOutHeight_, text = laidOutText_;
  LayOut(dpi);
  clientWidth_ = ExtentAfterDensityChange(width, laidOutWidth, laidOutWidth_, text, laidOutText_);
  clientHeight_ = ExtentAfterDensityChange(height, laidOutHeight, laidOutHeight_, text, laidOutText_);
  if (handle_) {
    for (auto& child : children_) child->ApplyBounds();
    RECT r{0, 0, clientWidth_, clientHeight_};
    AdjustFrame(r, static_cast<DWORD>(GetWindowLongA(handle_, GWL_STYLE)),
                static_cast<DWORD>(GetWindowLongA(handle_, GWL_EXSTYLE)), handle_);
    if (suggested) {
      MoveToSuggested(*suggested, r.right - r.left, r.bottom - r.top);
    } else {
      SetWindowPos(handle_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    Realign();  // the docked controls, also when the window kept its size
    if (!suggested && IsWindowVisible(handle_)) PlaceForShow();  // inside its parent: centred again
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
  // Last: the dialog's own fonts, then what may call the host, whose code may take messages (and
  // with them another change of density) while the window is already where it belongs.
  DensityChanged();
}

void Form::MoveToSuggested(const tagRECT& suggested, int width, int height) {
  const HMONITOR chosen = MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(chosen, &monitor);
  const auto onChosen = [chosen](const Bounds& b) {
    const RECT r{b.left, b.top, b.left + b.width, b.top + b.height};
    return MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST) == chosen;
  };
  const Bounds b = PlaceOnSuggested(BoundsOf(suggested), width, height, onChosen, BoundsOf(monitor.rcWork), sizeable_);
  SetWindowPos(handle_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::BindEvents(const LayoutNode& node, Control& control, const Handlers& h) {
  auto action = [&](const std::string& key) -> std::function<void()> {
    if (!node.Has(key)) return nullptr;
    const auto it = h.actions.find(node.Text(key));
    if (it == h.actions.end()) throw Exception("Layout of " + node.name + ": no handler " + node.Text(key));
    return it->second;
  };
  if (&control == this) {
    onShow_ = action("OnShow");
    if (node.Has("OnShortCut")) {
      const auto it = h.keyActions.find(node.Text("OnShortCut"));
      if (it == h.keyActions.end()) throw Exception("Layout of " + node.name + ": no handler " + node.Text("OnShortCut"));
      onShortCut_ = it->second;
    }
  } else if (auto* list = dynamic_cast<ListBox*>(&control)) {
    list->OnClick = action("OnClick");
    list->OnDblClick = action("OnDblClick");
  } else if (auto* button = dynamic_cast<Button*>(&control)) {
    button->OnClick = action("OnClick");
  }
  for (const auto& childNode : node.children) {
    Control* child = FindControl(childNode->name);
    if (child) BindEvents(*childNode, *child, h);
  }
}

Control* Form::FindControl(const std::string& name) {
  std::vector<Control*> pending{this};
  while (!pending.empty()) {
    Control* c = pending.back();
    pending.pop_back();
    if (c != this && c->Name() == name) return c;
    for (auto& child : c->Controls()) pending.push_back(child.get());
  }
  return nullptr;
}

Control* Form::ControlFromWindow(WindowHandle window) {
  const auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second;
}

bool Form::OwnsWindow(WindowHandle window) const {
  return handle_ && (window == handle_ || IsChild(handle_, window));
}

void Form::HandleNeeded() {
  if (handle_) return;
  try {
    CreateWindowTree(parentWindow_);
  } catch (...) {
    // All windows or none: with the form's window in place, a later call would take a tree that
    // lacks a control for complete.
    window_.reset();  // its last message forgets every window below it
    windows_.clear();
    ForgetWindows(*this);
    throw;
  }
  if (Button* def = DefaultButton()) SendMessageA(handle_, DM_SETDEFID, static_cast<WPARAM>(def->Id()), 0);
}

WindowHandle Form::CreatePlatformWindow(WindowHandle parentWindow) {
  // A dialog window class, so that the platform's dialog manager keeps the default button and the
  // focus across activation.
  EnsureWindowClass(className_.c_str(), ControlWindowProc, DLGWINDOWEXTRA, CS_DBLCLKS,
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  DWORD style = WS_CLIPCHILDREN |
                (sizeable_ ? WS_OVERLAPPEDWINDOW : (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  DWORD exStyle = WS_EX_CONTROLPARENT | (sizeable_ ? 0 : WS_EX_DLGMODALFRAME);
  // Made inside a given window, the form keeps the child style beside its pop-up and caption styles.
  if (parentWindow) style |= WS_CHILD;
  RECT r{0, 0, clientWidth_, clientHeight_};
  AdjustFrame(r, style, exStyle, parentWindow);
  window_.reset(CreateWindowExA(exStyle, className_.c_str(), caption_.c_str(), style, 0, 0, r.right - r.left,
                                r.bottom - r.top, parentWindow, nullptr, Instance(), this));
  return window_.get();
}

void Form::ForgetWindows(Control& control) {
  control.handle_ = nullptr;
  for (auto& child : control.children_) ForgetWindows(*child);
}

std::intptr_t Form::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      Control* c = lParam ? ControlFromWindow(reinterpret_cast<HWND>(lParam)) : nullptr;
      if (!c) {
        for (const auto& entry : windows_)
          if (entry.second->Id() == id && entry.second != this) c = entry.second;
      }
      // Enter and Escape arrive from the dialog manager as IDOK and IDCANCEL.
      if (!c && id == IDOK) c = DefaultButton();
      if (!c && id == IDCANCEL) c = CancelButton();
      if (c) c->Notify(HIWORD(wParam));
      return 0;
    }
    case WM_CLOSE:
      Close();
      return 0;
    case 0x02E0:  // WM_DPICHANGED: a top-level form on a monitor of another density
      ChangeDensity(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case 0x02E3:  // WM_DPICHANGED_AFTERPARENT (per-monitor v2 only): the window it lives in moved to one
      ChangeDensity(WindowDensity(handle_), nullptr);
      return 0;
    case WM_PAINT: {
      // Graphic controls placed directly on the form are painted by it, like a panel does.
      PaintScope paint(handle_);
      PaintGraphicChildren(paint.dc());
      return 0;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        clientWidth_ = LOWORD(lParam);
        clientHeight_ = HIWORD(lParam);
        Realign();
      }
      break;
    case WM_NCDESTROY: {
      window_.release();  // destroyed here, or with its parent
      const LRESULT r = DefDlgProcA(handle_, message, wParam, lParam);
      windows_.clear();
      for (auto& child : children_) ForgetWindows(*child);
      return r;
    }
  }
  return DefDlgProcA(handle_, message, wParam, lParam);
}

Button* Form::DefaultButton() {
  for (const auto& entry : windows_)
    if (auto* b = dynamic_cast<Button*>(entry.second); b && b->IsDefault()) return b;
  return nullptr;
}

Button* Form::CancelButton() {
  for (const auto& entry : windows_)
    if (auto* b = dynamic_cast<Button*>(entry.second); b && b->IsCancel()) return b;
  return nullptr;
}

void Form::Close() {
  if (modal_) modalResult_ = mrCancel;
  else if (handle_) ShowWindow(handle_, SW_HIDE);
}

void Form::SetHostWindow(WindowHandle host) {
  hostWindow_ = host;
  if (!CanShowChild(host)) return;  // top-level, placed on the host's monitor
  if (!handle_) {
    parentWindow_ = host;
    return;
  }
  // Where the system refuses (a window of another DPI awareness), the form stays top-level and is
  // placed over that window on its monitor, as for a hidden one.
  SetParent(handle_, host);
}

void Form::PlaceForShow() {
  RECT r;
  GetWindowRect(handle_, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  Bounds b;
  HWND parent = GetAncestor(handle_, GA_PARENT);
  if (parent && parent != GetDesktopWindow()) {
    // Inside a window (the slide show on a projector, a small host window): centred in its client
    // area, in its coordinates, so that all of the form can be seen there.
    RECT client{};
    GetClientRect(parent, &client);
    b = CentreWithinWorkArea(width, height, BoundsOf(client), BoundsOf(client), sizeable_);
  } else {
    // Top-level: over the host's window (a form made for a window is owned by it), or, when that
    // window cannot be seen, on its monitor; with no host window, on the primary screen. Kept
    // inside that monitor's work area: on a screen smaller than the form, plain centring would
    // put the title bar off the top.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(hostWindow_ ? MonitorOf(hostWindow_) : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                    &monitor);
    Bounds over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (hostWindow_ && CanShowChild(hostWindow_)) {
      RECT host{};
      GetWindowRect(hostWindow_, &host);
      over = BoundsOf(host);
    } else if (hostWindow_) {
      over = BoundsOf(monitor.rcMonitor);
    }
    b = CentreWithinWorkArea(width, height, over, BoundsOf(monitor.rcWork), sizeable_);
  }
  const bool sameSize = b.width == width && b.height == height;
  SetWindowPos(handle_, nullptr, b.left, b.top, b.width, b.height,
               SWP_NOZORDER | SWP_NOACTIVATE | (sameSize ? SWP_NOSIZE : 0));
}

void Form::FocusFirstControl() {
  HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE);
  if (first) SendMessageA(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

void Form::FireShortCut(std::uint16_t key) {
  if (onShortCut_) onShortCut_(key);
}

void Form::ProcessModalMessage(void* rawMsg) {
  MSG& msg = *static_cast<MSG*>(rawMsg);
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
  ScopeExit modalEnd([this] { modal_ = false; });
  DisabledThreadWindows disabled(handle_);
  if (centered_) PlaceForShow();
  // Laid out at the system density; a per-monitor aware host may show it at another.
  const int placed = WindowDensity(handle_);
  if (placed != density_) {
    try {
      ChangeDensity(placed, nullptr);
    } catch (...) {
      // No error box before the loop: the dialog opens as far as it got (its picture may be missing).
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

// The form's window: its lifetime, and the dispatch of its messages to the form and its controls.
#include "ui/Form.h"

#include "platform/Module.h"
#include "ui/Controls.h"
#include "ui/Density.h"
#include "ui/Layout.h"
#include "ui/Owners.h"
#include "ui/WindowClass.h"
#include "ui/WindowLists.h"

namespace ui {
namespace {

const LayoutNode& EmptyNode() {
  static const LayoutNode node;
  return node;
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
      if (reinterpret_cast<HINSTANCE>(GetClassLongPtrA(w, GCLP_HMODULE)) != platform::Instance()) continue;
      SetWindowLongPtrA(w, GWLP_USERDATA, 0);
      SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    }
  window_.release();
  windows_.Clear();
  ForgetWindows();
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

Control* Form::ControlFromWindow(WindowHandle window) { return windows_.Find(window); }

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
    windows_.Clear();
    ForgetWindows();
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
                                r.bottom - r.top, parentWindow, nullptr, platform::Instance(), this));
  return window_.get();
}

std::intptr_t Form::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      Control* c = lParam ? ControlFromWindow(reinterpret_cast<HWND>(lParam)) : nullptr;
      if (!c) c = windows_.FindIf([this, id](Control& k) { return k.Id() == id && &k != this; });
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
      windows_.Clear();
      for (auto& child : children_) child->ForgetWindows();
      return r;
    }
  }
  return DefDlgProcA(handle_, message, wParam, lParam);
}

Button* Form::DefaultButton() {
  return static_cast<Button*>(windows_.FindIf([](Control& c) {
    auto* b = dynamic_cast<Button*>(&c);
    return b && b->IsDefault();
  }));
}

Button* Form::CancelButton() {
  return static_cast<Button*>(windows_.FindIf([](Control& c) {
    auto* b = dynamic_cast<Button*>(&c);
    return b && b->IsCancel();
  }));
}

void Form::Close() {
  if (modal_) modalResult_ = mrCancel;
  else if (handle_) ShowWindow(handle_, SW_HIDE);
}

void Form::FireShortCut(std::uint16_t key) {
  if (onShortCut_) onShortCut_(key);
}

}  // namespace ui

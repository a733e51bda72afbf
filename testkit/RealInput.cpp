#include "testkit/RealInput.h"

#include <vector>

namespace testkit {
namespace {

// Absolute mouse coordinates run from 0 to 65535 across the whole virtual screen (every monitor,
// with MOUSEEVENTF_VIRTUALDESK); rounded up so that the point maps back onto the same pixel.
LONG Normalised(LONG pixel, int screenStart, int screenSize) {
  return static_cast<LONG>((static_cast<long long>(pixel - screenStart) * 65536 + screenSize - 1) / screenSize);
}

INPUT MouseInput(DWORD flags, POINT screen = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    in.mi.dwFlags |= MOUSEEVENTF_VIRTUALDESK;
    in.mi.dx = Normalised(screen.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    in.mi.dy = Normalised(screen.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  }
  return in;
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */));
  const bool extended = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

bool Send(std::vector<INPUT> inputs) {
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool Press(POINT screen, int times) {
  if (!MoveMouse(screen)) return false;
  std::vector<INPUT> inputs;
  for (int i = 0; i < times; ++i) {
    inputs.push_back(MouseInput(MOUSEEVENTF_LEFTDOWN));
    inputs.push_back(MouseInput(MOUSEEVENTF_LEFTUP));
  }
  return Send(inputs);
}

bool FocusInside(HWND window) {
  HWND focus = GetFocus();
  return focus && (focus == window || IsChild(window, focus));
}

}  // namespace

POINT CentreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT RowCentreOnScreen(HWND list, int row) {
  RECT r{};
  SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(list, &p);
  return p;
}

POINT CloseBoxOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  RECT client{};
  GetClientRect(window, &client);
  POINT clientTop{0, 0};
  ClientToScreen(window, &clientTop);
  // Along the middle of the caption, from the right edge inwards.
  const int y = (r.top + clientTop.y) / 2;
  for (int x = r.right - 1; x > r.left; --x) {
    const LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
    if (hit == HTCLOSE) return POINT{x - 3, y};  // a little inside its right edge
  }
  return POINT{-1, -1};
}

bool MoveMouse(POINT screen) {
  if (!Send({MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen)})) return false;
  POINT now{};
  GetCursorPos(&now);
  return now.x == screen.x && now.y == screen.y;
}

bool Click(POINT screen) { return Press(screen, 1); }

bool DoubleClick(POINT screen) { return Press(screen, 2); }

bool Type(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD vk : keys) {
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
  }
  return Send(inputs);
}

bool TypeWith(WORD modifier, WORD key) {
  return Send({KeyInput(modifier, false), KeyInput(key, false), KeyInput(key, true), KeyInput(modifier, true)});
}

bool BringToForeground(HWND window) {
  // The foreground window is the window's top-level window, or the window itself when it has
  // made itself the active one inside its parent.
  auto holds = [window](HWND fg) {
    for (HWND w = window; w; w = GetAncestor(w, GA_PARENT))
      if (w == fg) return true;
    return false;
  };
  if (!holds(GetForegroundWindow())) SetForegroundWindow(GetAncestor(window, GA_ROOT));
  return holds(GetForegroundWindow()) && FocusInside(window);
}

// ---- HostWindow -------------------------------------------------------------------------------

HostWindow::HostWindow(int x, int y, int width, int height, DWORD style) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = "PathmrTestHost";
  wc.style = CS_DBLCLKS;
  RegisterClassA(&wc);  // a second host in the same process finds it registered
  window_.reset(CreateWindowExA(0, wc.lpszClassName, "host", style | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height,
                                nullptr, nullptr, wc.hInstance, this));
  UpdateWindow(window_.get());
}

POINT HostWindow::ClientPointOnScreen(int x, int y) const {
  POINT p{x, y};
  ClientToScreen(window_.get(), &p);
  return p;
}

LRESULT CALLBACK HostWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && message == WM_NCDESTROY) self->window_.release();
  const bool input = (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
                     (message >= WM_LBUTTONDOWN && message <= WM_MOUSELAST) ||
                     (message >= WM_NCLBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK) ||
                     (message >= 0x0240 /* WM_TOUCH */ && message <= 0x0253 /* the last pointer message */) ||
                     message == 0x0119 /* WM_GESTURE */;
  if (self && input) ++self->inputSeen_;
  if (self && (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE))) {
    ++self->closeRequests_;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace testkit

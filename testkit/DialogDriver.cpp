#include "testkit/DialogDriver.h"

namespace testkit {
namespace {

Driver* g_active = nullptr;

BOOL CALLBACK CloseEverything(HWND w, LPARAM) {
  if (IsWindowVisible(w)) PostMessageA(w, WM_CLOSE, 0, 0);
  return TRUE;
}

struct FindData {
  const char* caption;
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM param) {
  auto* d = reinterpret_cast<FindData*>(param);
  if (!IsWindowVisible(w)) return TRUE;
  char text[512] = "", cls[256] = "";
  GetWindowTextA(w, text, sizeof text);
  GetClassNameA(w, cls, sizeof cls);
  if ((!d->caption || lstrcmpA(text, d->caption) == 0) && (!d->className || lstrcmpA(cls, d->className) == 0)) {
    d->found = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK MatchChild(HWND w, LPARAM param) {
  auto* d = reinterpret_cast<FindData*>(param);
  char text[512] = "", cls[256] = "";
  GetWindowTextA(w, text, sizeof text);
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, d->className) == 0 && (!d->caption || lstrcmpA(text, d->caption) == 0)) {
    d->found = w;
    return FALSE;
  }
  return TRUE;
}

LPARAM KeyLParam(WORD vk, bool up, bool sys) {
  const UINT scan = MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */);
  LPARAM l = 1 | (static_cast<LPARAM>(scan) << 16);
  if (sys) l |= 1 << 29;
  if (up) l |= (1u << 30) | (1u << 31);
  return l;
}

void PostMouse(HWND w, UINT message, POINT p) {
  PostMessageA(w, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

POINT RowCentre(HWND list, int row) {
  RECT r{};
  SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

Driver::Driver(unsigned watchdogMsec) : watchdogMsec_(watchdogMsec) {}
Driver::~Driver() { Stop(); }

Driver& Driver::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

Driver& Driver::Wait(int ticks) {
  auto left = std::make_shared<int>(ticks);
  return Then([left] { return --*left <= 0; });
}

void Driver::Start() {
  g_active = this;
  started_ = GetTickCount();
  timer_ = SetTimer(nullptr, 0, 20, &TimerProc);
}

void Driver::Stop() {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  if (g_active == this) g_active = nullptr;
}

void CALLBACK Driver::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (g_active) g_active->Tick();
}

void Driver::Tick() {
  if (inTick_) return;  // a step that opened a nested loop must not run again inside it
  inTick_ = true;
  if (GetTickCount() - started_ > watchdogMsec_) {
    timedOut_ = true;
    EnumThreadWindows(GetCurrentThreadId(), &CloseEverything, 0);
  } else if (next_ < steps_.size() && steps_[next_]()) {
    ++next_;
  }
  inTick_ = false;
}

HWND FindDialog(const char* caption, const char* className) {
  FindData d{caption, className, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &MatchTopLevel, reinterpret_cast<LPARAM>(&d));
  return d.found;
}

HWND FindChild(HWND root, const char* className, const char* text) {
  if (!root) return nullptr;
  FindData d{text, className, nullptr};
  EnumChildWindows(root, &MatchChild, reinterpret_cast<LPARAM>(&d));
  return d.found;
}

namespace {
BOOL CALLBACK FindWaiting(HWND child, LPARAM found) {
  if (!IsWindowVisible(child) || !GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}
}  // namespace

bool WaitsForPaint(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return true;
  bool waits = false;
  EnumChildWindows(window, &FindWaiting, reinterpret_cast<LPARAM>(&waits));
  return waits;
}

std::string WindowText(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

RECT RectIn(HWND window, HWND reference) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

HWND FindMessageBox() { return FindDialog(nullptr, "#32770"); }

std::string MessageBoxText(HWND box) {
  // The message is the static control that is not the icon.
  HWND child = GetWindow(box, GW_CHILD);
  for (; child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && !(GetWindowLongA(child, GWL_STYLE) & SS_ICON)) {
      const std::string text = WindowText(child);
      if (!text.empty()) return text;
    }
  }
  return "";
}

void PostKey(HWND target, WORD vk) {
  PostMessageA(target, WM_KEYDOWN, vk, KeyLParam(vk, false, false));
  PostMessageA(target, WM_KEYUP, vk, KeyLParam(vk, true, false));
}

void PostSysKey(HWND target, WORD vk) {
  PostMessageA(target, WM_SYSKEYDOWN, vk, KeyLParam(vk, false, true));
}

void ClickRow(HWND list, int row) {
  const POINT p = RowCentre(list, row);
  PostMouse(list, WM_LBUTTONDOWN, p);
  PostMouse(list, WM_LBUTTONUP, p);
}

void DoubleClickRow(HWND list, int row) {
  const POINT p = RowCentre(list, row);
  PostMouse(list, WM_LBUTTONDOWN, p);
  PostMouse(list, WM_LBUTTONUP, p);
  PostMouse(list, WM_LBUTTONDBLCLK, p);
  PostMouse(list, WM_LBUTTONUP, p);
}

}  // namespace testkit

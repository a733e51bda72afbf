// Where the form's window goes: shown over or inside the host's window, and moved to a monitor of
// another density.
#include "ui/Form.h"

#include "ui/Density.h"
#include "ui/FormPlacement.h"

namespace ui {
namespace {

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

}  // namespace

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
}  // namespace ui

// Screen density as the window a form lives in sees it, and what the platform offers at a
// density. The per-monitor functions (GetDpiForWindow, SystemParametersInfoForDpi,
// AdjustWindowRectExForDpi) are looked up at run time: where they are missing, the library still
// loads and behaves as it does in a host that is not per-monitor aware.
#pragma once
#include <windows.h>

namespace ui {

// The screen's density as this process sees it (the system density, or 96 when it is unaware).
int SystemDensity();

// The DPI awareness of the calling thread, which the dialogs take from the host that calls the
// exports. Per-monitor v1 and v2 differ in what the system does for the windows: only for v2 does
// it draw the frame at the window's own density and tell child windows of a change
// (WM_DPICHANGED_AFTERPARENT).
enum class Awareness { Unaware, System, PerMonitor, PerMonitorV2 };
Awareness ThreadAwareness();

// The density a window is drawn at: its own for a thread that is per-monitor aware (v1 or v2),
// otherwise SystemDensity(), so that unaware and system-aware hosts see what they always saw.
int WindowDensity(HWND window);

// The window rectangle around a client rectangle, with the frame the system draws: at the
// window's own density for per-monitor v2, otherwise at the system's (v1 frames are not scaled).
void AdjustFrame(RECT& rect, DWORD style, DWORD exStyle, HWND window);

// The icon-title font at a density (0: the system's); false when the system cannot tell.
bool IconTitleFont(LOGFONTA& font, int dpi);

// False: behave as on a system without the per-monitor functions. For the tests: no Wine lacks them.
void UsePerMonitorFunctions(bool use);

}  // namespace ui

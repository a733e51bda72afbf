// Screen density as the window a form lives in sees it, and what the platform offers at a
// density. The per-monitor functions (GetDpiForWindow, SystemParametersInfoForDpi,
// AdjustWindowRectExForDpi) are looked up at run time: where they are missing, the library still
// loads and behaves as it does in a host that is not per-monitor aware.
#pragma once
#include <windows.h>

namespace ui {

// The screen's density as this process sees it (the system density, or 96 when it is unaware).
int SystemDensity();

// The density a window is drawn at: its own for a thread that is per-monitor aware, otherwise
// SystemDensity(), so that unaware and system-aware hosts see what they always saw.
int WindowDensity(HWND window);

// The window rectangle around a client rectangle, with the frame the window is drawn with.
void AdjustFrame(RECT& rect, DWORD style, DWORD exStyle, HWND window);

// The icon-title font at a density (0: the system's); false when the system cannot tell.
bool IconTitleFont(LOGFONTA& font, int dpi);

// False: behave as on a system without the per-monitor functions (for tests).
void UsePerMonitorFunctions(bool use);

}  // namespace ui

// The window classes of the layer's own windows (forms, containers, the timer's window) and their
// window procedure.
#pragma once
#include <windows.h>

namespace ui {

// Registers a window class of the layer once; ShutdownWindowing unregisters it.
void EnsureWindowClass(const char* name, WNDPROC proc, int windowExtra, UINT style, HBRUSH background);

// Releases what the layer registered with the platform (window classes). Call when unloading,
// once the windows of these classes are gone.
void ShutdownWindowing();

// The window procedure of the layer's own classes: routes to Control::HandleMessage and reports
// exceptions in the error box before control returns to the system.
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui

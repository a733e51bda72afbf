// Platform helpers shared by the windowing layer's own sources. Not for the dialogs.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/Owners.h"  // ScreenDc and PaintScope, used throughout the layer

namespace ui {

// The module that holds this code and its resources (the library, or a test program).
HINSTANCE Instance();

// Registers a window class of the layer once; ShutdownWindowing unregisters it.
void EnsureWindowClass(const char* name, WNDPROC proc, int windowExtra, UINT style, HBRUSH background);

// Releases what the layer registered with the platform (window classes). Call when unloading.
void ShutdownWindowing();

// The window procedure of the layer's own classes: routes to Control::HandleMessage and reports
// exceptions in the error box before control returns to the system.
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A device-independent bitmap with its rows top first, and its pixels (bitsPerPixel 24 or 32).
// Throws ui::OutOfResources when the system refuses; the caller owns the bitmap.
HBITMAP CreateTopDownBitmap(int width, int height, int bitsPerPixel, void** pixels);

// The visible and invisible top-level windows of this thread; a window and every window below it.
// Empty or short when memory runs out.
std::vector<HWND> ThreadWindows();
std::vector<HWND> WindowTree(HWND top);

// Text of a layout resource stored in the module.
std::string LoadLayoutResource(const std::string& name);

}  // namespace ui

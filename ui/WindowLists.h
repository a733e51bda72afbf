// Windows enumerated: those of this thread, and those below a window.
#pragma once
#include <windows.h>

#include <vector>

namespace ui {

// The visible and invisible top-level windows of this thread; a window and every window below it.
// Empty or short when memory runs out.
std::vector<HWND> ThreadWindows();
std::vector<HWND> WindowTree(HWND top);

}  // namespace ui

#include "ui/WindowLists.h"

namespace ui {
namespace {

BOOL CALLBACK AddWindow(HWND window, LPARAM list) {
  try {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &AddWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> WindowTree(HWND top) {
  std::vector<HWND> windows{top};
  EnumChildWindows(top, &AddWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace ui

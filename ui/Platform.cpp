#include "ui/Platform.h"

#include <set>
#include <string>

#include "ui/Control.h"
#include "ui/ErrorBox.h"
#include "ui/Exceptions.h"

namespace ui {

HINSTANCE Instance() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Instance), &module);
  return module;
}

namespace {

BOOL CALLBACK AddWindow(HWND window, LPARAM list) {
  try {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

std::set<std::string>& RegisteredClasses() {
  static std::set<std::string> classes;
  return classes;
}
}  // namespace

void EnsureWindowClass(const char* name, WNDPROC proc, int windowExtra, UINT style, HBRUSH background) {
  if (RegisteredClasses().count(name)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = windowExtra;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw OutOfResources(std::string("Cannot register the window class ") + name);
  RegisteredClasses().insert(name);
}

void ShutdownWindowing() {
  for (const auto& name : RegisteredClasses()) UnregisterClassA(name.c_str(), Instance());
  RegisteredClasses().clear();
}

HBITMAP CreateTopDownBitmap(int width, int height, int bitsPerPixel, void** pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, pixels, nullptr, 0);
  if (!bitmap) throw OutOfResources("Not enough memory for a picture of " + std::to_string(width) + " x " +
                                    std::to_string(height) + " pixels");
  return bitmap;
}

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

std::string LoadLayoutResource(const std::string& name) {
  HRSRC info = FindResourceA(Instance(), name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(Instance(), info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw Exception("Resource " + name + " not found");
  return std::string(static_cast<const char*>(bytes), SizeofResource(Instance(), info));
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Control*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* control = reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!control) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCCREATE) control->AttachWindow(window);
  LRESULT result = 0;
  try {
    result = static_cast<LRESULT>(control->HandleMessage(message, wParam, lParam));
  } catch (...) {
    // A C++ exception must not unwind through the system's frames: report it here.
    if (message == WM_PAINT) ValidateRect(window, nullptr);
    ReportCurrentException(window);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    control->DetachWindow();
  }
  return result;
}

}  // namespace ui

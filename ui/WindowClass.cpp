#include "ui/WindowClass.h"

#include <set>
#include <string>

#include "platform/Module.h"
#include "ui/Control.h"
#include "ui/ErrorBox.h"
#include "ui/Exceptions.h"

namespace ui {
namespace {

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
  wc.hInstance = platform::Instance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw OutOfResources(std::string("Cannot register the window class ") + name);
  RegisteredClasses().insert(name);
}

void ShutdownWindowing() {
  for (const auto& name : RegisteredClasses()) UnregisterClassA(name.c_str(), platform::Instance());
  RegisteredClasses().clear();
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

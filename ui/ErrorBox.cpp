#include "ui/ErrorBox.h"

#include <windows.h>

#include <exception>

#include "platform/DebugOutput.h"
#include "ui/ErrorText.h"
#include "ui/Exceptions.h"

namespace ui {

void ShowErrorBox(WindowHandle owner, const std::string& message) {
  char path[MAX_PATH * 2] = "";
  GetModuleFileNameA(nullptr, path, sizeof path - 1);
  HWND active = GetActiveWindow();
  HWND boxOwner = active ? active : (owner ? GetAncestor(owner, GA_ROOT) : nullptr);
  MessageBoxA(boxOwner, WithFullStop(message).c_str(), ErrorBoxCaption(path).c_str(), MB_OK | MB_ICONSTOP);
}

void ReportCurrentException(WindowHandle owner) {
  try {
    try {
      throw;
    } catch (const Abort&) {
    } catch (const std::exception& e) {
      ShowErrorBox(owner, e.what());
    } catch (...) {
      ShowErrorBox(owner, "Unexpected failure");
    }
  } catch (...) {
    // Out of memory while reporting: nothing more can be shown.
    platform::WriteCurrentException("error box");
  }
}

}  // namespace ui

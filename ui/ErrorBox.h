// The standard error box: a message box owned by the active dialog, with the stop icon and OK.
#pragma once
#include <string>

#include "ui/Control.h"

namespace ui {

void ShowErrorBox(WindowHandle owner, const std::string& message);

// Reports the exception in flight (call inside a catch block); ui::Abort shows nothing.
// Never throws.
void ReportCurrentException(WindowHandle owner);

}  // namespace ui

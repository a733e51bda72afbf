// The module that holds this code (the library, or a test program) and its resources.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

HINSTANCE Instance();

// Text of a layout resource stored in the module.
std::string LoadLayoutResource(const std::string& name);

}  // namespace ui

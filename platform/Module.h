// The module that holds this code: the library, or a test program.
#pragma once
#include <windows.h>

namespace platform {

HINSTANCE Instance();

}  // namespace platform

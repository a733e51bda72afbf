// The layouts stored in this module's resources.
#pragma once
#include <string>

namespace ui {

// Text of a layout resource stored in the module.
std::string LoadLayoutResource(const std::string& name);

}  // namespace ui

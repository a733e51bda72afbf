#include "ui/LayoutResource.h"

#include "platform/Module.h"
#include "ui/Exceptions.h"

namespace ui {

std::string LoadLayoutResource(const std::string& name) {
  const HINSTANCE module = platform::Instance();
  HRSRC info = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw Exception("Resource " + name + " not found");
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, info));
}

}  // namespace ui

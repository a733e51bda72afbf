#include "ui/Module.h"

#include "ui/Exceptions.h"

namespace ui {

HINSTANCE Instance() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Instance), &module);
  return module;
}

std::string LoadLayoutResource(const std::string& name) {
  HRSRC info = FindResourceA(Instance(), name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(Instance(), info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw Exception("Resource " + name + " not found");
  return std::string(static_cast<const char*>(bytes), SizeofResource(Instance(), info));
}

}  // namespace ui

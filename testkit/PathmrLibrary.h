// Pathmr.dll loaded and bound by name, the way the add-in does it.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <stdexcept>

namespace testkit {

struct PathmrLibrary {
  using InitializeSlideHistoryFn = void(__stdcall*)(VARIANT);
  using AddSlideHistoryFn = void(__stdcall*)(std::int32_t, const char*);
  using ShowSlideHistoryFn = std::int32_t(__stdcall*)(HWND, std::int32_t);

  HMODULE module = LoadLibraryA("Pathmr.dll");
  InitializeSlideHistoryFn InitializeSlideHistory = Bind<InitializeSlideHistoryFn>("InitializeSlideHistory");
  AddSlideHistoryFn AddSlideHistory = Bind<AddSlideHistoryFn>("AddSlideHistory");
  ShowSlideHistoryFn ShowSlideHistory = Bind<ShowSlideHistoryFn>("ShowSlideHistory");

  ~PathmrLibrary() {
    if (module) FreeLibrary(module);
  }

  template <class F>
  F Bind(const char* name) {
    if (!module) throw std::runtime_error("Pathmr.dll cannot be loaded");
    auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!f) throw std::runtime_error(std::string("Pathmr.dll does not export ") + name);
    return f;
  }
};

}  // namespace testkit

// The library (Pathmr.dll, or Pathmr64.dll in a 64-bit process) loaded and bound by name, the way
// the add-in does it.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "library/Pathmr.h"
#include "platform/Owners.h"

namespace testkit {

// The file the tests load: the product, or in the runs that prove the leak checks the test-only
// build with the fault that PATHMR_PLANTED_FAULT names (tests.cmake sets it for those runs only).
inline const char* LibraryFileName() {
  static const std::string name = [] {
    const char* fault = std::getenv("PATHMR_PLANTED_FAULT");
    std::string file = PATHMR_DLL_NAME;
    if (fault && *fault) file.insert(file.size() - 4, std::string("-planted-") + fault);  // before ".dll"
    return file;
  }();
  return name.c_str();
}

// The module handle of the library as last loaded, also once it is unloaded again: the window
// classes registered in its name are counted by it (testkit/Resources.h).
inline HMODULE& LastLibraryInstance() {
  static HMODULE instance = nullptr;
  return instance;
}

struct PathmrLibrary {
  using InitializeSlideHistoryFn = void(__stdcall*)(VARIANT);
  using AddSlideHistoryFn = void(__stdcall*)(std::int32_t, const char*);
  using ShowSlideHistoryFn = std::int32_t(__stdcall*)(HWND, std::int32_t);

  PathmrLibrary() {
    if (module.get()) LastLibraryInstance() = module.get();
  }
  PathmrLibrary(const PathmrLibrary&) = delete;
  PathmrLibrary& operator=(const PathmrLibrary&) = delete;

  // Freed when this goes (after the pump below), or when an export is missing and construction
  // fails; a test that unloads at a moment of its own calls module.reset().
  platform::Module module{LoadLibraryA(LibraryFileName())};
  InitializeSlideHistoryFn InitializeSlideHistory = Bind<InitializeSlideHistoryFn>("InitializeSlideHistory");
  AddSlideHistoryFn AddSlideHistory = Bind<AddSlideHistoryFn>("AddSlideHistory");
  ShowSlideHistoryFn ShowSlideHistory = Bind<ShowSlideHistoryFn>("ShowSlideHistory");

  // As a host's message loop would, the thread takes its messages for a moment first: the library
  // gives back the reference a dialog held once the thread has done so.
  ~PathmrLibrary() {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 50;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }

  template <class F>
  F Bind(const char* name) {
    if (!module.get()) throw std::runtime_error(std::string(LibraryFileName()) + " cannot be loaded");
    auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module.get(), name)));
    if (!f) throw std::runtime_error(std::string(LibraryFileName()) + " does not export " + name);
    return f;
  }
};

}  // namespace testkit

// Stand-in for the presentation program's add-in: loads the library (PATHMR_DLL_NAME) by name at run time, binds the
// exports by name, hands over a presentation object and a sample history, shows the history
// dialog and prints the chosen position.
//
//   host.exe               the presenter uses the real dialog
//   host.exe --auto DIR    no one at the display: saves screenshots of both dialogs into DIR,
//                          chooses an entry itself and prints the result
//   host.exe --hold EVENT  loads the library and keeps it loaded until the named event is set
//                          (for tests of the library in several processes at once)
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "library/Pathmr.h"
#include "platform/Owners.h"
#include "testkit/DialogDriver.h"
#include "testkit/Presentation.h"
#include "testkit/Screen.h"

namespace {

using InitializeSlideHistoryFn = void(__stdcall*)(VARIANT);
using AddSlideHistoryFn = void(__stdcall*)(std::int32_t, const char*);
using ShowSlideHistoryFn = std::int32_t(__stdcall*)(HWND, std::int32_t);

template <class F>
F Bind(HMODULE library, const char* name) {
  auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (!f) std::fprintf(stderr, "host: " PATHMR_DLL_NAME " does not export %s\n", name);
  return f;
}

struct Visit {
  std::int32_t slide;
  const char* caption;
};

const Visit kHistory[] = {
    {1, "1. Welcome"},        {2, "2. Agenda"},          {3, "3. Where we stand"},
    {5, "5. Customer voices"}, {3, "3. Where we stand"}, {4, "4. The plan for spring"},
    {6, "6. Questions"},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--hold") == 0) {
    const platform::KernelHandle release(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
    const platform::Module held(LoadLibraryA(PATHMR_DLL_NAME));
    if (!release.valid() || !held.get()) return 2;
    WaitForSingleObject(release.get(), 30000);
    return 0;
  }
  std::string autoDir;
  if (argc >= 3 && std::strcmp(argv[1], "--auto") == 0) autoDir = argv[2];

  const HRESULT com = CoInitialize(nullptr);
  const platform::ScopeExit uninitialize([com] {
    if (SUCCEEDED(com)) CoUninitialize();
  });
  // Declared before the library, so that it outlives it: the library may give back its reference
  // as it unloads.
  testkit::Presentation presentation;
  const platform::Module library(LoadLibraryA(PATHMR_DLL_NAME));
  if (!library.get()) {
    std::fprintf(stderr, "host: cannot load " PATHMR_DLL_NAME " (error %lu)\n", GetLastError());
    return 1;
  }
  auto initialize = Bind<InitializeSlideHistoryFn>(library.get(), "InitializeSlideHistory");
  auto add = Bind<AddSlideHistoryFn>(library.get(), "AddSlideHistory");
  auto show = Bind<ShowSlideHistoryFn>(library.get(), "ShowSlideHistory");
  if (!initialize || !add || !show) return 1;

  initialize(presentation.AsVariant());
  for (const Visit& v : kHistory) add(v.slide, v.caption);
  const std::int32_t current = sizeof kHistory / sizeof kHistory[0];

  std::int32_t chosen = 0;
  if (autoDir.empty()) {
    chosen = show(nullptr, current);
  } else {
    testkit::Driver driver(20000);
    HWND dialog = nullptr;
    HWND about = nullptr;
    auto screenshot = [&](HWND window, const char* name) {
      if (!testkit::SaveWindowBitmap(window, autoDir + "\\" + name)) std::fprintf(stderr, "host: no screenshot\n");
    };
    driver.Then([&] { return (dialog = testkit::FindDialog("Slide Show History")) != nullptr; })
        .Wait(10)
        .Then([&] {
          screenshot(dialog, "history.bmp");
          PostMessageA(testkit::FindChild(dialog, "Button", "About..."), BM_CLICK, 0, 0);
          return true;
        })
        .Then([&] { return (about = testkit::FindDialog("About")) != nullptr; })
        .Wait(10)
        .Then([&] {
          screenshot(about, "about.bmp");
          testkit::PostKey(testkit::FindChild(about, "Button", "OK"), VK_RETURN);
          return true;
        })
        .Then([&] { return testkit::FindDialog("About") == nullptr; })
        .Then([&] {
          // The presenter goes one entry up and presses Enter.
          HWND list = testkit::FindChild(dialog, "ListBox");
          testkit::PostKey(list, VK_UP);
          testkit::PostKey(list, VK_RETURN);
          return true;
        });
    chosen = driver.Run([&] { return show(nullptr, current); });
    if (driver.TimedOut()) std::fprintf(stderr, "host: the dialog did not close by itself\n");
  }
  std::printf("ShowSlideHistory returned %d\n", static_cast<int>(chosen));
  if (chosen > 0 && chosen <= current)
    std::printf("chosen entry: %s (slide %d)\n", kHistory[chosen - 1].caption,
                static_cast<int>(kHistory[chosen - 1].slide));
  std::printf("presentation references after the call: %lu\n", presentation.References());
  return 0;
}

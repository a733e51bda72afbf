// A library with nothing of Pathmr's in it, linked like Pathmr's own (the same static C++ runtime)
// and unloaded like it (the runtime's reserve for exceptions given back). What loading and
// unloading it leaves behind is the share of the loader and the runtime, the baseline against which
// Pathmr's load/unload cycles are measured.
#include <windows.h>

#include <stdexcept>
#include <string>

namespace __gnu_cxx {
void __freeres();
}

namespace {
std::string g_text("baseline");
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && !reserved) __gnu_cxx::__freeres();
  return TRUE;
}

extern "C" __declspec(dllexport) int __stdcall RuntimeBaseline() {
  try {
    throw std::runtime_error(g_text);
  } catch (const std::exception& e) {
    return static_cast<int>(std::string(e.what()).size());
  }
}

// A library with nothing of Pathmr's in it, linked like Pathmr's own (the same static C++ runtime).
// What loading and unloading it leaves behind is the runtime's own share, the baseline against
// which Pathmr's load/unload cycles are measured.
#include <windows.h>

#include <stdexcept>
#include <string>

namespace {
std::string g_text("baseline");
}

extern "C" __declspec(dllexport) int __stdcall RuntimeBaseline() {
  try {
    throw std::runtime_error(g_text);
  } catch (const std::exception& e) {
    return static_cast<int>(std::string(e.what()).size());
  }
}

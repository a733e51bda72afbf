// Faults planted on purpose in test-only builds of the library (Pathmr-planted-*.dll and
// Pathmr64-planted-*.dll, which the release never packs): every leak check must be seen to catch
// the fault it claims to catch, and the load and unload must be seen to contain errors that no
// test can otherwise bring about. The planting points are compiled once with PATHMR_PLANTED_BUILD
// and linked into one library per fault; each library has the one fault that its file name ends
// in ("-planted-heap-per-load.dll"). The product is compiled without PATHMR_PLANTED_BUILD, and
// shared/PlantedFault.h then makes every planting point nothing.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testkit::planted {

// In the order of PATHMR_PLANTED_FAULTS in CMakeLists.txt.
enum Fault {
  kNone,
  kHeapPerDialog,
  kThreadPerLoad,
  kThreadPerInitializeProduct,
  kGdiPerTenDialogs,
  kHandlePerDroppedRequest,
  kHeapPerLoad,
  kClassPerLoad,
  kAtomPerLoad,
  kTlsSlotPerLoad,
  kErrorsAtLoadAndUnload,
};

// Read from the library's own file name at its first planting point (in DllMain: only kernel32
// calls). No function-local static: its guard would bring in the compiler's thread library.
inline int g_fault = -1;
inline Fault FaultOfThisLibrary() {
  if (g_fault < 0) {
    static constexpr const char* kNames[] = {"heap-per-dialog", "thread-per-load", "thread-per-initialize-product",
                                             "gdi-per-ten-dialogs", "handle-per-dropped-request", "heap-per-load",
                                             "class-per-load", "atom-per-load", "tls-slot-per-load",
                                             "errors-at-load-and-unload"};
    HMODULE self = nullptr;
    char path[MAX_PATH] = "";
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&FaultOfThisLibrary), &self);
    GetModuleFileNameA(self, path, sizeof path);
    const char* name = std::strstr(path, "-planted-");
    int fault = kNone;
    for (int i = 0; name && i < static_cast<int>(sizeof kNames / sizeof *kNames); ++i) {
      const std::size_t n = std::strlen(kNames[i]);
      if (_strnicmp(name + 9, kNames[i], n) == 0 && _stricmp(name + 9 + n, ".dll") == 0) fault = i + 1;
    }
    g_fault = fault;
  }
  return static_cast<Fault>(g_fault);
}

// A thread that sleeps for ever in the system's own code, never in this library's, so that it
// outlives an unload; its handle is closed, as a careless caller's would be.
inline void LeakThread() {
  HANDLE thread = CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(&Sleep)),
                               reinterpret_cast<void*>(static_cast<UINT_PTR>(INFINITE)), 0, nullptr);
  if (thread) CloseHandle(thread);
}

// A count that survives the library's unloads (tests that reload it each cycle would otherwise
// start it at zero every time): kept in the process's environment, at a fixed width so that the
// environment block keeps its size.
inline unsigned NextCount() {
  char text[16] = "0";
  GetEnvironmentVariableA("PATHMR_PLANTED_COUNT", text, sizeof text);
  const unsigned next = static_cast<unsigned>(std::strtoul(text, nullptr, 10)) + 1;
  std::snprintf(text, sizeof text, "%010u", next);
  SetEnvironmentVariableA("PATHMR_PLANTED_COUNT", text);
  return next;
}

// About 200 bytes. Its address goes to a variable the compiler must write, or an allocation that
// nothing uses could be optimised away.
inline void* volatile g_keptBlock;
inline void LeakBlock() { g_keptBlock = new char[200]; }

inline void OnLoad(HINSTANCE instance) {
  if (FaultOfThisLibrary() == kThreadPerLoad) LeakThread();
  if (FaultOfThisLibrary() == kHeapPerLoad) LeakBlock();
  if (FaultOfThisLibrary() == kTlsSlotPerLoad) TlsAlloc();
  if (FaultOfThisLibrary() == kClassPerLoad || FaultOfThisLibrary() == kAtomPerLoad) {
    // A name of its own each load: a class or atom of the same name would only be found again. The
    // atoms outlive the process in its window station, so the process's number is in the name.
    char name[48];
    std::snprintf(name, sizeof name, "PathmrPlanted%lu-%u", GetCurrentProcessId(), NextCount());
    if (FaultOfThisLibrary() == kAtomPerLoad) {
      GlobalAddAtomA(name);
    } else {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &DefWindowProcA;  // the system's: nothing of the unloaded library is called
      wc.hInstance = instance;
      wc.lpszClassName = name;
      RegisterClassA(&wc);
    }
  }
}

// Inside the steps of load and unload whose failures the library contains.
inline void InLoadStep() {
  if (FaultOfThisLibrary() == kErrorsAtLoadAndUnload) throw std::runtime_error("Planted failure at load");
}
inline void InUnloadStep() {
  if (FaultOfThisLibrary() == kErrorsAtLoadAndUnload) throw 10;  // of no standard kind
}

inline void OnInitializeProduct() {
  if (FaultOfThisLibrary() == kThreadPerInitializeProduct) LeakThread();
}

inline void OnHistoryDialog() {
  if (FaultOfThisLibrary() == kHeapPerDialog) LeakBlock();
  if (FaultOfThisLibrary() == kGdiPerTenDialogs && NextCount() % 10 == 0) CreateSolidBrush(RGB(1, 2, 3));
}

inline void OnDroppedRequest() {
  if (FaultOfThisLibrary() == kHandlePerDroppedRequest) CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace testkit::planted

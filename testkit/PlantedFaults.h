// Faults planted on purpose in test-only builds of the library (Pathmr-planted-*.dll and
// Pathmr64-planted-*.dll, which the release never packs): every leak check must be seen to catch
// the fault it claims to catch. PATHMR_PLANTED_FAULT names the one fault a build has; the product
// is compiled without it, and shared/PlantedFault.h then makes every planting point nothing.
// The numbers follow the order of PATHMR_PLANTED_FAULTS in CMakeLists.txt.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#define PATHMR_FAULT_HEAP_PER_DIALOG 1
#define PATHMR_FAULT_THREAD_PER_LOAD 2
#define PATHMR_FAULT_THREAD_PER_INITIALIZE_PRODUCT 3
#define PATHMR_FAULT_GDI_PER_TEN_DIALOGS 4
#define PATHMR_FAULT_HANDLE_PER_DROPPED_REQUEST 5
#define PATHMR_FAULT_HEAP_PER_LOAD 6
#define PATHMR_FAULT_CLASS_PER_LOAD 7
#define PATHMR_FAULT_ATOM_PER_LOAD 8
#define PATHMR_FAULT_TLS_SLOT_PER_LOAD 9

namespace testkit::planted {

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
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_THREAD_PER_LOAD) LeakThread();
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_HEAP_PER_LOAD) LeakBlock();
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_TLS_SLOT_PER_LOAD) TlsAlloc();
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_CLASS_PER_LOAD || PATHMR_PLANTED_FAULT == PATHMR_FAULT_ATOM_PER_LOAD) {
    // A name of its own each load: a class or atom of the same name would only be found again. The
    // atoms outlive the process in its window station, so the process's number is in the name.
    char name[48];
    std::snprintf(name, sizeof name, "PathmrPlanted%lu-%u", GetCurrentProcessId(), NextCount());
    if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_ATOM_PER_LOAD) {
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

inline void OnInitializeProduct() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_THREAD_PER_INITIALIZE_PRODUCT) LeakThread();
}

inline void OnHistoryDialog() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_HEAP_PER_DIALOG) LeakBlock();
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_GDI_PER_TEN_DIALOGS && NextCount() % 10 == 0) CreateSolidBrush(RGB(1, 2, 3));
}

inline void OnDroppedRequest() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_HANDLE_PER_DROPPED_REQUEST) CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace testkit::planted

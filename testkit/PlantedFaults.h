// Faults planted on purpose in test-only builds of the library (Pathmr-planted-*.dll and
// Pathmr64-planted-*.dll, which the release never packs): every leak check must be seen to catch
// the fault it claims to catch. PATHMR_PLANTED_FAULT names the one fault a build has; the product
// is compiled without it, and shared/PlantedFault.h then makes every planting point nothing.
#pragma once
#include <windows.h>

#include <cstring>

#define PATHMR_FAULT_HEAP_PER_DIALOG 1
#define PATHMR_FAULT_THREAD_PER_LOAD 2
#define PATHMR_FAULT_THREAD_PER_INITIALIZE_PRODUCT 3
#define PATHMR_FAULT_GDI_PER_TEN_DIALOGS 4
#define PATHMR_FAULT_HANDLE_PER_DROPPED_REQUEST 5

namespace testkit::planted {

// A thread that sleeps for ever in the system's own code, never in this library's, so that it
// outlives an unload; its handle is closed, as a careless caller's would be.
inline void LeakThread() {
  HANDLE thread = CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(&Sleep)),
                               reinterpret_cast<void*>(static_cast<UINT_PTR>(INFINITE)), 0, nullptr);
  if (thread) CloseHandle(thread);
}

inline void OnLoad() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_THREAD_PER_LOAD) LeakThread();
}

inline void OnInitializeProduct() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_THREAD_PER_INITIALIZE_PRODUCT) LeakThread();
}

inline void OnHistoryDialog() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_HEAP_PER_DIALOG) {
    char* kept = new char[1024];
    std::memset(kept, 1, 1024);  // written, so that it is not optimised away
  }
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_GDI_PER_TEN_DIALOGS) {
    static int dialogs = 0;
    if (++dialogs % 10 == 0) CreateSolidBrush(RGB(1, 2, 3));
  }
}

inline void OnDroppedRequest() {
  if (PATHMR_PLANTED_FAULT == PATHMR_FAULT_HANDLE_PER_DROPPED_REQUEST) CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace testkit::planted

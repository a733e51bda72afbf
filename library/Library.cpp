// Load and unload of the library.
//
// Everything here runs under the loader lock. Each step only touches this thread and libraries
// that are already initialised (user32, gdi32 and kernel32 are imported statically, so the loader
// has run their initialisation before ours): nothing waits on another thread and nothing loads a
// further library.
#include <windows.h>

#include <optional>

#include "history/HistoryRequest.h"
#include "library/RuntimeThreads.h"
#include "platform/DebugOutput.h"
#include "platform/Owners.h"
#include "shared/PlantedFault.h"
#include "shared/ThreadRecord.h"
#include "ui/WindowClass.h"
#include "ui/jpeg/JpegPicture.h"

// The static C++ runtime's reserve for exceptions thrown when memory has run out (about 19 KB),
// allocated when the library loads. The runtime only gives it back when asked to, so without this
// every unload would leave it behind in the host's heap.
namespace __gnu_cxx {
void __freeres();
}

namespace {

// Held from load to unload; nothing ever waits on it. Other programs can tell by its name that
// the library is loaded somewhere.
std::optional<platform::KernelHandle> g_libraryMutex;

void Load(HINSTANCE instance) {
  // The windowing layer needs no set-up of its own: its window classes are registered on first use.
  // A named mutex: one call into kernel32, no waiting. Failure is of no consequence.
  g_libraryMutex.emplace(CreateMutexA(nullptr, FALSE, "Pathmere"));
  // One screen query (GetDC, GetDeviceCaps, ReleaseDC) and an entry in the library's own registry.
  try {
    jpeg::RegisterJpegFormat(jpeg::ScreenColourDepth());
    PATHMR_PLANT(InLoadStep);
  } catch (...) {
    // Out of memory this early: previews then report the unknown picture format.
    platform::WriteCurrentException("load");
  }
  DisableThreadLibraryCalls(instance);  // no per-thread state for the loader to tell us of
  PATHMR_PLANT(OnLoad, instance);
  // The runtime's start-up made a record of the loading thread; the unload may run on another.
  shared::GiveBackThreadRecord();
}

void Unload() {
  // A request that was opened but never shown: its window belongs to this thread, so destroying
  // it here sends messages only to our own window procedures.
  try {
    history::DropHistoryRequest();
    PATHMR_PLANT(InUnloadStep);
  } catch (...) {
    platform::WriteCurrentException("unload");  // the unload goes on: the request is forgotten
  }
  jpeg::UnregisterJpegFormat();
  g_libraryMutex.reset();
  ui::ShutdownWindowing();  // window classes of this module; their windows are gone by now
  // Last: nothing of ours throws after this. Freeing a block only takes the heap's own lock.
  __gnu_cxx::__freeres();
  // After everything else: the runtime's thread-local slots and locks.
  library::ReleaseRuntimeThreads();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) Load(instance);
  // At process exit (reserved is not null) the system takes everything back with the process, and
  // other threads may have been stopped anywhere: only an explicit unload gives back by hand.
  if (reason == DLL_PROCESS_DETACH && !reserved) Unload();
  return TRUE;
}

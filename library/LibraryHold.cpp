#include "library/LibraryHold.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <new>

#include "ui/Platform.h"

namespace shared {
namespace {

std::atomic<long> g_exportDepth{0};
// Outermost exports that are past their last statement.
std::atomic<long> g_exportsLeft{0};

// A reference waiting to be given back once the host's thread has left the export that held it.
struct PendingRelease {
  long exportsLeft;  // the value of g_exportsLeft that says the export has returned
  // A window of the host's thread with the system's own window procedure (a static control), so
  // that the host's thread answers a message to it without running a line of the library.
  HWND answer;
};

// Runs on a thread of the system pool, in the library: the pool unloads it (if this was the last
// reference) only after this has returned.
void CALLBACK GiveBack(PTP_CALLBACK_INSTANCE instance, void* context) {
  std::unique_ptr<PendingRelease> release(static_cast<PendingRelease*>(context));
  while (g_exportsLeft.load() - release->exportsLeft < 0) Sleep(2);
  // Past its last statement the export runs only its own epilogue, and it takes no messages. So
  // once the host's thread takes a message again (in its own loop; or in a later dialog, which
  // holds a reference of its own), it has returned. The message closes the window; if the thread
  // has ended, the window went with it and the call returns at once.
  SendMessageA(release->answer, WM_CLOSE, 0, 0);
  release.reset();
  FreeLibraryWhenCallbackReturns(instance, ui::Instance());
}

}  // namespace

LibraryHold::LibraryHold() {
  HMODULE module = nullptr;
  held_ = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&GiveBack), &module) !=
          FALSE;
}

LibraryHold::~LibraryHold() {
  if (!held_) return;
  // Inside an export, the reference goes once that export has returned. Whatever fails here, the
  // reference is kept: a library that stays loaded is better than one pulled away.
  std::unique_ptr<PendingRelease> release(new (std::nothrow) PendingRelease{
      g_exportsLeft.load() + (g_exportDepth.load() > 0 ? 1 : 0),
      CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)});
  if (!release || !release->answer) return;
  if (TrySubmitThreadpoolCallback(&GiveBack, release.get(), nullptr)) release.release();
  else DestroyWindow(release->answer);
}

void EnterExport() { ++g_exportDepth; }

void LeaveExport() {
  if (--g_exportDepth == 0) ++g_exportsLeft;
}

}  // namespace shared

#include "shared/LibraryHold.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "platform/Module.h"
#include "shared/ThreadRecord.h"
#include "ui/Owners.h"

namespace shared {
namespace {

std::atomic<long> g_exportDepth{0};
// Outermost exports that are past their last statement.
std::atomic<long> g_exportsLeft{0};

// Each thread's depth of exports, in a slot of the system's own: the runtime's thread-local storage
// is what the outermost export gives back. Where no slot can be had, the depth of all threads
// together decides, as it would with one thread.
class ThreadDepth {
 public:
  ThreadDepth() : slot_(TlsAlloc()) {}
  ~ThreadDepth() {
    if (slot_ != TLS_OUT_OF_INDEXES) TlsFree(slot_);
  }
  bool Available() const { return slot_ != TLS_OUT_OF_INDEXES; }
  std::uintptr_t Get() const {
    return slot_ == TLS_OUT_OF_INDEXES ? 0 : reinterpret_cast<std::uintptr_t>(TlsGetValue(slot_));
  }
  void Set(std::uintptr_t depth) const {
    if (slot_ != TLS_OUT_OF_INDEXES) TlsSetValue(slot_, reinterpret_cast<void*>(depth));
  }

 private:
  DWORD slot_;
};
ThreadDepth g_threadDepth;

// A reference waiting to be given back once the host's thread has left the export that held it.
struct PendingRelease {
  long exportsLeft;  // the value of g_exportsLeft that says the export has returned
  // A window of the host's thread with the system's own window procedure (a static control): the
  // host's thread closes it on the message posted to it without running a line of the library.
  HWND answer;
};

// The references waiting, oldest first, and whether a work item is giving them back. One work item
// at a time, so that the pool needs one thread however many dialogs come and go. Plain data with
// no destructor: when the process ends, a work item may still be reading it while the library's
// static objects are destroyed. A few wait at once at most in one thread (a dialog and the About
// box it opened), but every thread of a host may hold some: the room grows from the heap when the
// set-aside room is full, and goes back when none wait. Where even that fails, a reference is kept.
SRWLOCK g_lock = SRWLOCK_INIT;
constexpr int kSetAside = 32;
PendingRelease g_setAside[kSetAside];
PendingRelease* g_pending = g_setAside;
int g_room = kSetAside;
int g_first = 0, g_count = 0;
bool g_working = false;

// Under the lock: room for one more, moving the waiting ones into a block twice the size.
bool MakeRoom() {
  if (g_count < g_room) return true;
  const int room = g_room * 2;
  auto* grown = static_cast<PendingRelease*>(HeapAlloc(GetProcessHeap(), 0, sizeof(PendingRelease) * room));
  if (!grown) return false;
  for (int i = 0; i < g_count; ++i) grown[i] = g_pending[(g_first + i) % g_room];
  if (g_pending != g_setAside) HeapFree(GetProcessHeap(), 0, g_pending);
  g_pending = grown;
  g_room = room;
  g_first = 0;
  return true;
}

// Sleeps a little longer each time, up to a quarter of a second: a host's thread answers within
// milliseconds, but one that takes no message for hours must not cost a busy thread meanwhile.
class Backoff {
 public:
  void Wait() {
    Sleep(msec_);
    if (msec_ < 250) msec_ *= 2;
  }

 private:
  DWORD msec_ = 1;
};

// Waits until the host's thread has left the export and taken a message again.
void AwaitReturn(const PendingRelease& release) {
  Backoff left, answered;
  while (g_exportsLeft.load() - release.exportsLeft < 0) left.Wait();
  // Past its last statement the export runs only its own epilogue and takes no messages. So once
  // the host's thread has taken the message (in its own loop; or in a later dialog, which holds a
  // reference of its own), it has returned. A thread that ended took its windows with it.
  PostMessageA(release.answer, WM_CLOSE, 0, 0);
  while (IsWindow(release.answer)) answered.Wait();
}

// Runs on a thread of the system pool, in the library: the pool unloads it (if this was the last
// reference) only after this has returned. Every reference but the last it gives back directly,
// since the last one still keeps the library loaded.
void CALLBACK GiveBack(PTP_CALLBACK_INSTANCE instance, void*) {
  // It waits for the host's thread, however long that takes: the pool must not count this thread
  // as free meanwhile.
  CallbackMayRunLong(instance);
  for (;;) {
    AcquireSRWLockExclusive(&g_lock);
    const PendingRelease release = g_pending[g_first];
    ReleaseSRWLockExclusive(&g_lock);
    AwaitReturn(release);
    AcquireSRWLockExclusive(&g_lock);
    g_first = (g_first + 1) % g_room;
    const bool last = --g_count == 0;
    if (last) {
      g_working = false;
      if (g_pending != g_setAside) HeapFree(GetProcessHeap(), 0, g_pending);
      g_pending = g_setAside;
      g_room = kSetAside;
      g_first = 0;
    }
    ReleaseSRWLockExclusive(&g_lock);
    if (last) break;
    FreeLibrary(platform::Instance());
  }
  FreeLibraryWhenCallbackReturns(instance, platform::Instance());
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
  ui::Window answer(CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  if (!answer.get()) return;
  AcquireSRWLockExclusive(&g_lock);
  bool queued = false;
  if (MakeRoom()) {
    g_pending[(g_first + g_count) % g_room] =
        PendingRelease{g_exportsLeft.load() + (g_exportDepth.load() > 0 ? 1 : 0), answer.get()};
    queued = g_working || TrySubmitThreadpoolCallback(&GiveBack, nullptr, nullptr);
    if (queued) {
      ++g_count;
      g_working = true;
    }
  }
  ReleaseSRWLockExclusive(&g_lock);
  if (queued) answer.release();  // closed by its thread when the work item asks
}

void EnterExport() {
  ++g_exportDepth;
  g_threadDepth.Set(g_threadDepth.Get() + 1);
}

void LeaveExport() {
  // This thread's outermost export: nothing of ours is left on its stack. (Other threads may be in
  // exports meanwhile, hosts should not but may call them so; the record is this thread's own.)
  const std::uintptr_t depth = g_threadDepth.Get();
  if (g_threadDepth.Available() ? depth <= 1 : g_exportDepth.load() == 1) GiveBackThreadRecord();
  g_threadDepth.Set(depth > 0 ? depth - 1 : 0);
  if (--g_exportDepth == 0) ++g_exportsLeft;
}

}  // namespace shared

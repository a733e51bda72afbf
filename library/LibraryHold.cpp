#include "library/LibraryHold.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

#include "ui/Owners.h"
#include "ui/Platform.h"

namespace shared {
namespace {

std::atomic<long> g_exportDepth{0};
// Outermost exports that have returned (or are past their last statement).
std::atomic<long> g_exportsLeft{0};

HANDLE CurrentThread() {
  HANDLE thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread,
                  THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | SYNCHRONIZE, FALSE, 0);
  return thread;
}

// A reference waiting to be given back: once the host's thread has left the export that held it.
struct PendingRelease {
  explicit PendingRelease(long exportsLeftThen) : exportsLeft(exportsLeftThen) {}
  ui::KernelHandle thread{CurrentThread()};
  long exportsLeft;  // the value of g_exportsLeft that says so
};

bool InsideLibrary(std::uintptr_t address) {
  auto* base = reinterpret_cast<const unsigned char*>(ui::Instance());
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto begin = reinterpret_cast<std::uintptr_t>(base);
  return address >= begin && address < begin + nt->OptionalHeader.SizeOfImage;
}

enum class Where { Inside, Outside, Unknown };

// Where the thread runs now. Past LeaveExport it only runs the export's epilogue inside the
// library; once it is seen outside, it has returned to the host.
Where ThreadRuns(HANDLE thread) {
  if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return Where::Outside;  // it has ended
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) return Where::Unknown;
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  const bool got = GetThreadContext(thread, &context) != FALSE;
  ResumeThread(thread);
  if (!got) return Where::Unknown;
#ifdef _WIN64
  const auto ip = static_cast<std::uintptr_t>(context.Rip);
#else
  const auto ip = static_cast<std::uintptr_t>(context.Eip);
#endif
  return InsideLibrary(ip) ? Where::Inside : Where::Outside;
}

// Runs on a thread of the system pool, in the library: the pool unloads it (if this was the last
// reference) only after this has returned.
void CALLBACK GiveBack(PTP_CALLBACK_INSTANCE instance, void* context) {
  std::unique_ptr<PendingRelease> release(static_cast<PendingRelease*>(context));
  for (;;) {
    if (g_exportsLeft.load() - release->exportsLeft >= 0) {
      const Where where = ThreadRuns(release->thread.get());
      if (where == Where::Outside) break;
      if (where == Where::Unknown) return;  // cannot tell: the reference is kept for good
    }
    Sleep(2);
  }
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
  // Inside an export, the reference goes once that export has returned.
  std::unique_ptr<PendingRelease> release(
      new (std::nothrow) PendingRelease(g_exportsLeft.load() + (g_exportDepth.load() > 0 ? 1 : 0)));
  // Otherwise the reference is kept: a library that stays is better than one pulled away.
  if (!release || !release->thread.valid()) return;
  if (TrySubmitThreadpoolCallback(&GiveBack, release.get(), nullptr)) release.release();
}

void EnterExport() { ++g_exportDepth; }

void LeaveExport() {
  if (--g_exportDepth == 0) ++g_exportsLeft;
}

}  // namespace shared

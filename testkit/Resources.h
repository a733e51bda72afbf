// What a process holds, counted by probing (Wine answers GetGuiResources and GetProcessHandleCount
// with 0): GDI objects, USER objects (windows and menus of every thread), kernel handles, windows of
// this thread, the process's threads, private memory, and the bytes of the blocks in use on the
// process's heaps (exact, where private memory moves in whole pages).
#pragma once
#include <cstddef>
#include <string>

namespace testkit {

struct Holdings {
  int gdiObjects = 0;
  int gdiByType[16] = {};  // the probe's count per object type (OBJ_PEN ... OBJ_COLORSPACE)
  int userObjects = 0;
  int kernelHandles = 0;
  int windows = 0;
  int threads = 0;
  std::size_t privateBytes = 0;
  std::size_t heapBytes = 0;
  // False where a heap hands out small blocks from groups of its own (a low-fragmentation heap, as
  // Wine 10's are): a heap walk then sees whole groups, and bytes in use move by a group at a time.
  bool heapExact = true;
};

// The allowance for private memory and heap bytes where a heap is not exact: a leak of a dialog's
// worth of memory each time still shows; a few groups of a low-fragmentation heap do not.
constexpr std::size_t kInexactHeapSlack = 512 * 1024;
// What a thread of the system pool keeps in the process heap while it lives (Wine 8's 32-bit pool:
// 180 bytes for the worker that a run once started in the middle of a measurement).
constexpr std::size_t kPoolThreadHeapBytes = 1024;
// A heap grows its committed memory a segment at a time (Wine: 1088 KB, which a 32-bit run once
// added in the middle of fifty dialog cycles while the bytes in use grew 66 KB): the memory check
// allows one, the heap's bytes in use are checked on their own.
constexpr std::size_t kHeapSegmentBytes = 0x110000;

Holdings CountHoldings();

// The counts that grew from before to after: GDI and USER objects, kernel handles and windows must
// not grow at all (threads are the cycle test's own check: the system pool's idle thread comes and
// goes on its own), private memory and heap bytes by no more than their slack (at least
// kInexactHeapSlack where a heap is not exact; memory also one heap segment; for each thread more,
// memory also a stack and heap bytes kPoolThreadHeapBytes). Empty when none did; otherwise
// "heap bytes in use 100 -> 2000 (1024 allowed)" and so on (GDI objects with the kinds that grew),
// for the test's failure message.
std::string GrowthBeyond(const Holdings& before, const Holdings& after, std::size_t memorySlack,
                         std::size_t heapSlack);

// Prints "what: GDI objects a -> b, ..." for every count, for the test's output.
void ReportHoldings(const char* what, const Holdings& before, const Holdings& after);

}  // namespace testkit

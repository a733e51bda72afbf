// What a process holds, counted by probing (Wine answers GetGuiResources and GetProcessHandleCount
// with 0): GDI objects, USER objects (windows and menus of every thread), kernel handles, windows of
// this thread, the process's threads, committed private memory, and the bytes of the blocks in use
// on each of the process's heaps.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace testkit {

struct HeapUse {
  const void* heap = nullptr;
  std::size_t bytes = 0;
  // A low-fragmentation heap (all of Wine 10's) hands out small blocks from groups of its own: its
  // walk sees whole groups, so its bytes in use move by a group at a time.
  bool lowFragmentation = false;
};

struct Holdings {
  int gdiObjects = 0;
  int gdiByType[16] = {};  // the probe's count per object type (OBJ_PEN ... OBJ_COLORSPACE)
  int userObjects = 0;
  int kernelHandles = 0;
  int windows = 0;
  int threads = 0;
  // Committed private memory as Windows defines it: the committed pages of the process's private
  // regions (VirtualQuery), under Wine the Windows side only, without its X11 and font libraries.
  std::size_t privateBytes = 0;
  // In the record itself: a count that allocated would measure itself.
  static constexpr int kMaxHeaps = 64;
  HeapUse heaps[kMaxHeaps];
  int heapCount = 0;
  std::size_t HeapBytes() const;
};

Holdings CountHoldings();

// The counts once the system pool's threads, which a measurement may have started, have ended
// again, and the window through which the library gives back a dialog's reference to itself has
// been closed by this thread taking its messages, as a host's loop would: at most `settleMsec` of
// waiting for the thread and USER object counts to come back to `before`'s (Wine's pool lets an
// idle worker go after five seconds). A thread or window that never goes still counts.
Holdings SettledHoldings(const Holdings& before, unsigned settleMsec = 10000);

// Prints "what: GDI objects a -> b, ..." for every count, for the test's output.
void ReportHoldings(const char* what, const Holdings& before, const Holdings& after);

// Watches a process for leaks over many cycles of a test: a count before the first cycle, a sample
// after every group of cycles, a settled count after the last.
//
// GDI and USER objects, kernel handles, windows and threads must not grow at all. Memory moves in
// pages and heap segments, and a low-fragmentation heap's bytes by whole groups: those are judged
// by their steady growth, the median of their growth per cycle over the groups, which steps of a
// segment or a group in a few of the groups leave at zero while a leak of every cycle shows in
// every group. Heaps that count exact bytes must also not grow by more than `exactHeapSlack` in all.
class LeakWatch {
 public:
  struct Limits {
    std::size_t heapBytesPerCycle = 256;     // the median growth of all heaps together
    std::size_t memoryBytesPerCycle = 1024;  // the median growth of committed private memory
    std::size_t exactHeapSlack = 1024;       // exact heaps, first against last
    int kernelHandles = 0;                   // what a bare library with the same runtime leaves
  };
  explicit LeakWatch(int cyclesPerGroup);
  void Start();
  // Call after every `cyclesPerGroup` cycles.
  void GroupDone();
  // Empty when nothing grew beyond its limit; else what did ("threads 5 -> 6 (0 allowed)", ...),
  // for the test's failure message. Reports every count on the test's output too.
  std::string Finish(const char* what, const Limits& limits);

 private:
  struct Sample {
    std::size_t heapBytes, privateBytes;
  };
  int cyclesPerGroup_;
  Holdings first_;
  std::vector<Sample> samples_;  // room made before the first count
};

}  // namespace testkit

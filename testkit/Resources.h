// What a process holds, counted by probing (Wine answers GetGuiResources and GetProcessHandleCount
// with 0): GDI objects, USER objects (windows and menus of every thread), kernel handles, windows of
// this thread, the process's threads, free thread-local slots, global atoms, the window classes
// registered in the library's name, committed private memory, and the bytes of the blocks in use
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
  int freeTlsSlots = 0;
  // Global atoms of the window station; under Wine a window class's name is one of them too.
  int globalAtoms = 0;
  // Classes registered with the instance of the library as last loaded (LastLibraryInstance), by
  // whatever name: they outlive an unload unless the library unregisters them.
  int libraryClasses = 0;
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

// The thread-local slots still free in this process.
int FreeTlsSlots();

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
// GDI and USER objects, kernel handles, windows, threads, thread-local slots, global atoms and the
// library's window classes must not grow at all. Memory moves in pages and heap segments: it is
// judged by its steady growth, the median of its growth per cycle over the groups, which steps of
// a segment in a few of the groups leave at zero while a leak of every cycle shows in every group.
// Heaps that count exact bytes are held to `exactHeapSlack`, first against last. A
// low-fragmentation heap's walk sees its groups of small blocks, not the blocks: a small block kept
// each cycle fills a group every few dozen cycles, which the median of the groups misses and the
// growth from first to last over the whole run does not.
class LeakWatch {
 public:
  struct Limits {
    std::size_t heapBytesPerCycle = 256;     // the median growth of all heaps together
    std::size_t memoryBytesPerCycle = 1024;  // the median growth of committed private memory
    std::size_t exactHeapSlack = 1024;       // exact heaps, first against last, in all
    // Low-fragmentation heaps, first against last: so much a cycle, and a group or two of blocks
    // that a run may end holding where it began with none (Wine 10's hold 32 blocks of a size).
    std::size_t lowFragmentationBytesPerCycle = 64;
    std::size_t lowFragmentationSlack = 16384;
    int kernelHandles = 0;
  };
  explicit LeakWatch(int cyclesPerGroup);
  void Start();
  // Call after every `cyclesPerGroup` cycles.
  void GroupDone();
  // In a run with a planted fault (PATHMR_PLANTED_FAULT) only: true once three groups or more
  // show, before any settling, a count grown that Finish would report. The test may then end its
  // cycles early: a count kept every cycle only grows with more of them, so the full run's verdict
  // is already known. Memory is left to the full run. Always false in an ordinary run, which goes
  // the whole way.
  bool CaughtAlready(const Limits& limits);
  // Empty when nothing grew beyond its limit; else what did ("threads 5 -> 6 (0 allowed)", ...),
  // for the test's failure message. Reports every count on the test's output too.
  std::string Finish(const char* what, const Limits& limits);

 private:
  std::string CountsGrown(const Holdings& last, const Limits& limits) const;
  struct Sample {
    std::size_t heapBytes, privateBytes;
  };
  int cyclesPerGroup_;
  Holdings first_;
  std::vector<Sample> samples_;  // room made before the first count
};

}  // namespace testkit

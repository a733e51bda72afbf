#include "testkit/Resources.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/Owners.h"
#include "testkit/PathmrLibrary.h"

namespace testkit {
namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND w, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(w, &CountChild, count);
  return TRUE;
}

void CountHeaps(Holdings& h) {
  HANDLE heaps[Holdings::kMaxHeaps];
  const DWORD n = GetProcessHeaps(Holdings::kMaxHeaps, heaps);
  h.heapCount = 0;
  for (DWORD i = 0; i < n && i < Holdings::kMaxHeaps; ++i) {
    HeapUse use;
    use.heap = heaps[i];
    ULONG kind = 0;  // 2: low-fragmentation
    use.lowFragmentation =
        HeapQueryInformation(heaps[i], HeapCompatibilityInformation, &kind, sizeof kind, nullptr) && kind == 2;
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    while (HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) use.bytes += e.cbData;
    HeapUnlock(heaps[i]);
    h.heaps[h.heapCount++] = use;
  }
}

std::size_t CommittedPrivateBytes() {
  std::size_t bytes = 0;
  MEMORY_BASIC_INFORMATION m;
  for (const char* p = nullptr; VirtualQuery(p, &m, sizeof m) == sizeof m;) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) bytes += m.RegionSize;
    const char* next = static_cast<const char*>(m.BaseAddress) + m.RegionSize;
    if (next <= p) break;
    p = next;
  }
  return bytes;
}

// Takes this thread's messages for a while, as a host's loop would: the library gives back a
// dialog's reference only once its thread has taken one.
void PumpFor(DWORD msec) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < msec;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

int ThreadsOfThisProcess() {
  const platform::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.valid()) return 0;
  int n = 0;
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL more = Thread32First(snapshot.get(), &t); more; more = Thread32Next(snapshot.get(), &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  return n;
}

}  // namespace

// Every slot still free, taken and given back again.
int FreeTlsSlots() {
  DWORD taken[2048];
  int n = 0;
  while (n < 2048 && (taken[n] = TlsAlloc()) != TLS_OUT_OF_INDEXES) ++n;
  for (int i = 0; i < n; ++i) TlsFree(taken[i]);
  return n;
}

namespace {

// Global atoms, and the window classes of the library among them: under Wine a class's name is a
// global atom, and GetClassInfoEx takes it in place of the name, so a class of any name is found.
void CountAtomsAndClasses(Holdings& h) {
  const HINSTANCE library = LastLibraryInstance();
  for (UINT a = 0xC000; a <= 0xFFFF; ++a) {
    char name[8];
    if (!GlobalGetAtomNameA(static_cast<ATOM>(a), name, sizeof name) && GetLastError() != ERROR_MORE_DATA) continue;
    ++h.globalAtoms;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (library && GetClassInfoExA(library, MAKEINTATOM(a), &wc)) ++h.libraryClasses;
  }
}

const char* const kGdiKinds[] = {"",        "pens",       "brushes",   "DCs",         "metafile DCs", "palettes",
                                 "fonts",   "bitmaps",    "regions",   "metafiles",   "memory DCs",   "extended pens",
                                 "enhanced metafile DCs", "enhanced metafiles", "colour spaces", "other"};

}  // namespace

Holdings CountHoldings() {
  Holdings h;
  // A GDI handle with a zero upper half matches its table entry whatever its generation.
  for (UINT_PTR i = 1; i < 0x10000; ++i)
    if (const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(i))) {
      ++h.gdiObjects;
      ++h.gdiByType[type < 15 ? type : 15];
    }
  // Likewise a USER handle with a zero upper half; they are even, from 0x20 on.
  for (UINT_PTR i = 0x20; i < 0x10000; i += 2) {
    const HANDLE user = reinterpret_cast<HANDLE>(i);
    if (IsWindow(static_cast<HWND>(user)) || IsMenu(static_cast<HMENU>(user))) ++h.userObjects;
  }
  for (UINT_PTR i = 4; i < 0x10000; i += 4) {
    DWORD flags;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(i), &flags)) ++h.kernelHandles;
  }
  EnumThreadWindows(GetCurrentThreadId(), &CountTopLevel, reinterpret_cast<LPARAM>(&h.windows));
  h.threads = ThreadsOfThisProcess();
  h.freeTlsSlots = FreeTlsSlots();
  CountAtomsAndClasses(h);
  h.privateBytes = CommittedPrivateBytes();
  CountHeaps(h);
  return h;
}

std::size_t Holdings::HeapBytes() const {
  std::size_t bytes = 0;
  for (int i = 0; i < heapCount; ++i) bytes += heaps[i].bytes;
  return bytes;
}

Holdings SettledHoldings(const Holdings& before, unsigned settleMsec) {
  Holdings now = CountHoldings();
  for (const DWORD start = GetTickCount();
       (now.threads > before.threads || now.userObjects > before.userObjects) && GetTickCount() - start < settleMsec;) {
    PumpFor(100);
    now = CountHoldings();
  }
  return now;
}

void ReportHoldings(const char* what, const Holdings& a, const Holdings& b) {
  std::printf("%s: GDI objects %d -> %d, USER objects %d -> %d, kernel handles %d -> %d, windows %d -> %d, "
              "threads %d -> %d, free thread-local slots %d -> %d, global atoms %d -> %d, window classes of the library "
              "%d -> %d, committed private memory %zu -> %zu, heap bytes in use %zu -> %zu\n",
              what, a.gdiObjects, b.gdiObjects, a.userObjects, b.userObjects, a.kernelHandles, b.kernelHandles, a.windows,
              b.windows, a.threads, b.threads, a.freeTlsSlots, b.freeTlsSlots, a.globalAtoms, b.globalAtoms,
              a.libraryClasses, b.libraryClasses, a.privateBytes, b.privateBytes, a.HeapBytes(), b.HeapBytes());
}

LeakWatch::LeakWatch(int cyclesPerGroup) : cyclesPerGroup_(cyclesPerGroup) { samples_.reserve(1024); }

void LeakWatch::Start() {
  first_ = CountHoldings();
  samples_.clear();
  samples_.push_back(Sample{first_.HeapBytes(), first_.privateBytes});
}

// Only what is judged by its steady growth: probing the handle tables takes a while.
void LeakWatch::GroupDone() {
  Holdings h;
  CountHeaps(h);
  samples_.push_back(Sample{h.HeapBytes(), CommittedPrivateBytes()});
}

namespace {

// The median over the groups of what a count grew by per cycle (0 where it fell).
std::size_t MedianGrowthPerCycle(const std::vector<std::size_t>& counts, int cyclesPerGroup) {
  std::vector<std::size_t> growth;
  for (std::size_t i = 1; i < counts.size(); ++i)
    growth.push_back(counts[i] > counts[i - 1] ? (counts[i] - counts[i - 1]) / static_cast<std::size_t>(cyclesPerGroup) : 0);
  if (growth.empty()) return 0;
  std::sort(growth.begin(), growth.end());
  return growth[growth.size() / 2];
}

std::size_t HeapBytesOfKind(const Holdings& h, bool lowFragmentation) {
  std::size_t bytes = 0;
  for (int i = 0; i < h.heapCount; ++i)
    if (h.heaps[i].lowFragmentation == lowFragmentation) bytes += h.heaps[i].bytes;
  return bytes;
}

}  // namespace

// The counts that must not grow at all: what of them grew from the first count to `last`.
std::string LeakWatch::CountsGrown(const Holdings& last, const Limits& limits) const {
  std::string grown;
  auto add = [&grown](const std::string& text) { grown += (grown.empty() ? "" : "; ") + text; };
  auto exact = [&add](const char* name, int before, int after, int allowed = 0) {
    if (after > before + allowed)
      add(std::string(name) + " " + std::to_string(before) + " -> " + std::to_string(after) + " (" +
          std::to_string(allowed) + " allowed)");
  };
  exact("GDI objects", first_.gdiObjects, last.gdiObjects);
  if (last.gdiObjects > first_.gdiObjects) {
    std::string kinds;
    for (std::size_t k = 1; k < std::size(kGdiKinds); ++k)
      if (last.gdiByType[k] != first_.gdiByType[k])
        kinds += std::string(kinds.empty() ? "" : ", ") + kGdiKinds[k] + " " + std::to_string(last.gdiByType[k] - first_.gdiByType[k]);
    grown += " (" + kinds + ")";
  }
  exact("USER objects", first_.userObjects, last.userObjects);
  exact("kernel handles", first_.kernelHandles, last.kernelHandles, limits.kernelHandles);
  exact("windows", first_.windows, last.windows);
  exact("threads", first_.threads, last.threads);
  if (last.freeTlsSlots < first_.freeTlsSlots)  // fewer free: a slot kept
    add("free thread-local slots " + std::to_string(first_.freeTlsSlots) + " -> " + std::to_string(last.freeTlsSlots) +
        " (none fewer allowed)");
  exact("global atoms", first_.globalAtoms, last.globalAtoms);
  exact("window classes of the library", first_.libraryClasses, last.libraryClasses);
  return grown;
}

std::string LeakWatch::Finish(const char* what, const Limits& limits) {
  const Holdings last = SettledHoldings(first_);
  ReportHoldings(what, first_, last);
  std::string grown = CountsGrown(last, limits);
  auto add = [&grown](const std::string& text) { grown += (grown.empty() ? "" : "; ") + text; };
  auto steady = [&](const char* name, std::size_t limit, std::size_t Sample::*count) {
    std::vector<std::size_t> counts;
    for (const Sample& sample : samples_) counts.push_back(sample.*count);
    const std::size_t median = MedianGrowthPerCycle(counts, cyclesPerGroup_);
    std::printf("%s: %s grew a median %zu bytes a cycle over %zu groups of %d cycles\n", what, name, median,
                samples_.size() - 1, cyclesPerGroup_);
    if (median > limit)
      add(std::string(name) + " grew a median " + std::to_string(median) + " bytes a cycle (" + std::to_string(limit) +
          " allowed)");
  };
  steady("heap bytes in use", limits.heapBytesPerCycle, &Sample::heapBytes);
  steady("committed private memory", limits.memoryBytesPerCycle, &Sample::privateBytes);
  const std::size_t exactBefore = HeapBytesOfKind(first_, false), exactAfter = HeapBytesOfKind(last, false);
  if (exactAfter > exactBefore + limits.exactHeapSlack)
    add("heap bytes on exact heaps " + std::to_string(exactBefore) + " -> " + std::to_string(exactAfter) + " (" +
        std::to_string(limits.exactHeapSlack) + " allowed)");
  const std::size_t cycles = (samples_.size() - 1) * static_cast<std::size_t>(cyclesPerGroup_);
  const std::size_t lfhBefore = HeapBytesOfKind(first_, true), lfhAfter = HeapBytesOfKind(last, true);
  const std::size_t lfhAllowed = limits.lowFragmentationBytesPerCycle * cycles + limits.lowFragmentationSlack;
  if (lfhBefore || lfhAfter)
    std::printf("%s: heap bytes on low-fragmentation heaps %zu -> %zu over %zu cycles\n", what, lfhBefore, lfhAfter,
                cycles);
  if (lfhAfter > lfhBefore + lfhAllowed)
    add("heap bytes on low-fragmentation heaps " + std::to_string(lfhBefore) + " -> " + std::to_string(lfhAfter) +
        " over " + std::to_string(cycles) + " cycles (" + std::to_string(lfhAllowed) + " allowed)");
  return grown;
}

bool LeakWatch::CaughtAlready(const Limits& limits) {
  const char* fault = std::getenv("PATHMR_PLANTED_FAULT");
  if (!fault || !*fault || samples_.size() < 4) return false;
  // Only what needs no settling: the system pool's threads and the library's reference window
  // may still be on their way out. Nor memory: over a few groups its median still holds the run's
  // first pages and segments, and a heap's total blocks that later cycles give back; only the
  // whole run judges it. A count that has grown stays grown.
  Holdings now = CountHoldings();
  now.threads = first_.threads;
  now.userObjects = first_.userObjects;
  now.windows = first_.windows;
  return !CountsGrown(now, limits).empty();
}

}  // namespace testkit

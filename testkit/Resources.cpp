#include "testkit/Resources.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "ui/Owners.h"

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

std::size_t HeapBytesInUse(bool& exact) {
  HANDLE heaps[256];
  const DWORD n = GetProcessHeaps(256, heaps);
  std::size_t bytes = 0;
  for (DWORD i = 0; i < n && i < 256; ++i) {
    ULONG kind = 0;  // 2: low-fragmentation
    if (HeapQueryInformation(heaps[i], HeapCompatibilityInformation, &kind, sizeof kind, nullptr) && kind == 2)
      exact = false;
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    while (HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += e.cbData;
    HeapUnlock(heaps[i]);
  }
  return bytes;
}

int ThreadsOfThisProcess() {
  const ui::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.valid()) return 0;
  int n = 0;
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL more = Thread32First(snapshot.get(), &t); more; more = Thread32Next(snapshot.get(), &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  return n;
}

std::size_t StackReserve() {
  const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  return static_cast<std::size_t>(nt->OptionalHeader.SizeOfStackReserve);
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
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
    h.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;  // Wine fills only the latter
  h.heapBytes = HeapBytesInUse(h.heapExact);
  return h;
}

std::string GrowthBeyond(const Holdings& a, const Holdings& b, std::size_t memorySlack, std::size_t heapSlack) {
  std::string grown;
  auto check = [&grown](const char* name, std::size_t before, std::size_t after, std::size_t slack) {
    if (after <= before + slack) return;
    if (!grown.empty()) grown += "; ";
    grown += std::string(name) + " " + std::to_string(before) + " -> " + std::to_string(after) + " (" +
             std::to_string(slack) + " allowed)";
  };
  check("GDI objects", a.gdiObjects, b.gdiObjects, 0);
  if (b.gdiObjects > a.gdiObjects) {
    grown += " (";
    for (std::size_t k = 1; k < std::size(kGdiKinds); ++k)
      if (b.gdiByType[k] != a.gdiByType[k])
        grown += std::string(kGdiKinds[k]) + " " + std::to_string(b.gdiByType[k] - a.gdiByType[k]) + " ";
    grown.back() = ')';
  }
  check("USER objects", a.userObjects, b.userObjects, 0);
  check("kernel handles", a.kernelHandles, b.kernelHandles, 0);
  check("windows", a.windows, b.windows, 0);
  const bool exact = a.heapExact && b.heapExact;
  // A thread that the system pool started meanwhile (it may, when told that a callback runs long)
  // holds its stack and its bookkeeping until the pool lets it go.
  const std::size_t poolThreads = b.threads > a.threads ? static_cast<std::size_t>(b.threads - a.threads) : 0;
  check("memory", a.privateBytes, b.privateBytes,
        (exact ? memorySlack : std::max(memorySlack, kInexactHeapSlack)) + kHeapSegmentBytes +
            poolThreads * StackReserve());
  check("heap bytes in use", a.heapBytes, b.heapBytes,
        (exact ? heapSlack : std::max(heapSlack, kInexactHeapSlack)) + poolThreads * kPoolThreadHeapBytes);
  if (!exact && !grown.empty()) grown += " (a low-fragmentation heap: its walk sees whole groups)";
  return grown;
}

void ReportHoldings(const char* what, const Holdings& a, const Holdings& b) {
  std::printf("%s: GDI objects %d -> %d, USER objects %d -> %d, kernel handles %d -> %d, windows %d -> %d, "
              "threads %d -> %d, memory %zu -> %zu, heap bytes in use %zu -> %zu\n",
              what, a.gdiObjects, b.gdiObjects, a.userObjects, b.userObjects, a.kernelHandles, b.kernelHandles, a.windows, b.windows, a.threads, b.threads,
              a.privateBytes, b.privateBytes, a.heapBytes, b.heapBytes);
  if (!a.heapExact || !b.heapExact)
    std::printf("%s: a heap is low-fragmentation, so memory and heap bytes are allowed %zu KB more\n", what,
                kInexactHeapSlack / 1024);
}

}  // namespace testkit

#include "testkit/Resources.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

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

std::size_t HeapBytesInUse() {
  HANDLE heaps[256];
  const DWORD n = GetProcessHeaps(256, heaps);
  std::size_t bytes = 0;
  for (DWORD i = 0; i < n && i < 256; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    while (HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += e.cbData;
    HeapUnlock(heaps[i]);
  }
  return bytes;
}

}  // namespace

Holdings CountHoldings() {
  Holdings h;
  // A GDI handle with a zero upper half matches its table entry whatever its generation.
  for (UINT_PTR i = 1; i < 0x10000; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++h.gdiObjects;
  for (UINT_PTR i = 4; i < 0x10000; i += 4) {
    DWORD flags;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(i), &flags)) ++h.kernelHandles;
  }
  EnumThreadWindows(GetCurrentThreadId(), &CountTopLevel, reinterpret_cast<LPARAM>(&h.windows));
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
    h.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;  // Wine fills only the latter
  h.heapBytes = HeapBytesInUse();
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
  check("kernel handles", a.kernelHandles, b.kernelHandles, 0);
  check("windows", a.windows, b.windows, 0);
  check("memory", a.privateBytes, b.privateBytes, memorySlack);
  check("heap bytes in use", a.heapBytes, b.heapBytes, heapSlack);
  return grown;
}

void ReportHoldings(const char* what, const Holdings& a, const Holdings& b) {
  std::printf("%s: GDI objects %d -> %d, kernel handles %d -> %d, windows %d -> %d, memory %zu -> %zu, "
              "heap bytes in use %zu -> %zu\n",
              what, a.gdiObjects, b.gdiObjects, a.kernelHandles, b.kernelHandles, a.windows, b.windows,
              a.privateBytes, b.privateBytes, a.heapBytes, b.heapBytes);
}

}  // namespace testkit

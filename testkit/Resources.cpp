#include "testkit/Resources.h"

#include <windows.h>
#include <psapi.h>

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
  return h;
}

}  // namespace testkit

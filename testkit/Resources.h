// What a process holds, counted by probing (Wine answers GetGuiResources and GetProcessHandleCount
// with 0): GDI objects, kernel handles, windows of this thread, private memory, and the bytes of
// the blocks in use on the process's heaps (exact, where private memory moves in whole pages).
#pragma once
#include <cstddef>

namespace testkit {

struct Holdings {
  int gdiObjects = 0;
  int kernelHandles = 0;
  int windows = 0;
  std::size_t privateBytes = 0;
  std::size_t heapBytes = 0;
};

Holdings CountHoldings();

// Prints "what: GDI objects a -> b, ..." for every count, for the test's output.
void ReportHoldings(const char* what, const Holdings& before, const Holdings& after);

}  // namespace testkit

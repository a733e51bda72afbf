// What a process holds, counted by probing (Wine answers GetGuiResources and GetProcessHandleCount
// with 0): GDI objects, kernel handles, windows of this thread, private memory, and the bytes of
// the blocks in use on the process's heaps (exact, where private memory moves in whole pages).
#pragma once
#include <cstddef>
#include <string>

namespace testkit {

struct Holdings {
  int gdiObjects = 0;
  int kernelHandles = 0;
  int windows = 0;
  std::size_t privateBytes = 0;
  std::size_t heapBytes = 0;
};

Holdings CountHoldings();

// The counts that grew from before to after: GDI objects, kernel handles and windows must not grow
// at all, private memory and heap bytes by no more than their slack. Empty when none did; otherwise
// "heap bytes in use 100 -> 2000 (1024 allowed)" and so on, for the test's failure message.
std::string GrowthBeyond(const Holdings& before, const Holdings& after, std::size_t memorySlack,
                         std::size_t heapSlack);

// Prints "what: GDI objects a -> b, ..." for every count, for the test's output.
void ReportHoldings(const char* what, const Holdings& before, const Holdings& after);

}  // namespace testkit

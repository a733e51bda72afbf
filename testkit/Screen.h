// Pixels read back from the display.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

struct Capture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The window's client area as it is on the screen now (after it has painted).
Capture CaptureClient(HWND window);
// The whole window, frame included, written as a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::string& path);

}  // namespace testkit

#include "ui/Density.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/AnsiText.h"
#include "ui/Owners.h"

namespace ui {
namespace {

bool g_usePerMonitor = true;

// A function of user32 that older systems lack; null there (or when told to act so).
template <class F>
F UserFunction(const char* name) {
  if (!g_usePerMonitor) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

bool PerMonitorAware() {
  const Awareness a = ThreadAwareness();
  return a == Awareness::PerMonitor || a == Awareness::PerMonitorV2;
}

}  // namespace

Awareness ThreadAwareness() {
  using ContextFn = void*(WINAPI*)();
  using AwarenessFn = int(WINAPI*)(void*);
  using EqualFn = BOOL(WINAPI*)(void*, void*);
  const auto context = UserFunction<ContextFn>("GetThreadDpiAwarenessContext");
  const auto awareness = UserFunction<AwarenessFn>("GetAwarenessFromDpiAwarenessContext");
  const auto equal = UserFunction<EqualFn>("AreDpiAwarenessContextsEqual");
  if (!context || !awareness) return Awareness::System;  // a system from before per-monitor awareness
  void* const current = context();
  // DPI_AWARENESS_UNAWARE, _SYSTEM_AWARE, _PER_MONITOR_AWARE
  switch (awareness(current)) {
    case 0:
      return Awareness::Unaware;
    case 2: {
      const auto perMonitorV2 = reinterpret_cast<void*>(static_cast<std::intptr_t>(-4));
      return equal && equal(current, perMonitorV2) ? Awareness::PerMonitorV2 : Awareness::PerMonitor;
    }
    default:
      return Awareness::System;
  }
}

int SystemDensity() { return GetDeviceCaps(ScreenDc().get(), LOGPIXELSY); }

int WindowDensity(HWND window) {
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto forWindow = UserFunction<DpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = window && forWindow && PerMonitorAware() ? forWindow(window) : 0;
  return dpi ? static_cast<int>(dpi) : SystemDensity();
}

void AdjustFrame(RECT& rect, DWORD style, DWORD exStyle, HWND window) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  const auto forDpi = UserFunction<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  // Named even where it is the system's: Wine 10 gives an unaware thread the system density's
  // frame from AdjustWindowRectEx, while it draws the window's at 96 dpi.
  const int dpi = ThreadAwareness() == Awareness::PerMonitorV2 ? WindowDensity(window) : SystemDensity();
  if (forDpi && forDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

bool IconTitleFont(LOGFONTA& font, int dpi) {
  using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  const auto forDpi = UserFunction<SpiForDpiFn>("SystemParametersInfoForDpi");
  if (dpi > 0 && dpi != SystemDensity() && forDpi) {
    LOGFONTW wide{};
    if (forDpi(SPI_GETICONTITLELOGFONT, sizeof wide, &wide, 0, static_cast<UINT>(dpi))) {
      // The same record with the face name in the ANSI code page.
      static_assert(offsetof(LOGFONTW, lfFaceName) == offsetof(LOGFONTA, lfFaceName), "one layout before the name");
      memcpy(&font, &wide, offsetof(LOGFONTA, lfFaceName));
      const std::string face = platform::AnsiFromWide(wide.lfFaceName);
      font.lfFaceName[0] = '\0';
      strncat(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
      return true;
    }
  }
  return SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0) != 0;
}

void UsePerMonitorFunctions(bool use) { g_usePerMonitor = use; }

}  // namespace ui

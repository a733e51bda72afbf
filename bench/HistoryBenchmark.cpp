// The history list at scale and the preview's steady state, each beside a baseline measured in the
// same run: 10,000 entries through the exports until the dialog has painted, against a bare list
// box filled with the same strings; and a repaint of a decoded preview (the peak memory of a
// preview is measured beside its decoding, in the preview benchmark). Prints medians and ratios;
// run with ./build.sh bench.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "testkit/JpegWriter.h"
#include "testkit/PathmrLibrary.h"
#include "testkit/Presentation.h"
#include "testkit/Screen.h"
#include "ui/jpeg/JpegPicture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Msec(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::vector<std::string> Captions() {
  std::vector<std::string> c;
  for (int i = 1; i <= 10000; ++i) c.push_back(std::to_string(i) + ". A slide with an ordinary title");
  return c;
}

// The history dialog: set when it first activates, painted there and then, and closed.
Clock::time_point g_shown;
HHOOK g_hook = nullptr;

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND w = reinterpret_cast<HWND>(wParam);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "THistoryForm") == 0 && g_shown == Clock::time_point{}) {
      ShowWindow(w, SW_SHOWNA);
      UpdateWindow(w);
      g_shown = Clock::now();
      PostMessageA(w, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

double LibraryList(testkit::PathmrLibrary& lib, testkit::Presentation& presentation,
                   const std::vector<std::string>& captions) {
  g_shown = {};
  const auto start = Clock::now();
  lib.InitializeSlideHistory(presentation.AsVariant());
  for (std::size_t i = 0; i < captions.size(); ++i) lib.AddSlideHistory(static_cast<std::int32_t>(i + 1), captions[i].c_str());
  g_hook = SetWindowsHookExA(WH_CBT, &OnActivate, nullptr, GetCurrentThreadId());
  lib.ShowSlideHistory(nullptr, 0);  // nothing selected: no preview, only the list
  UnhookWindowsHookEx(g_hook);
  return Msec(start, g_shown);
}

double BareList(const std::vector<std::string>& captions) {
  const auto start = Clock::now();
  HWND frame = CreateWindowExA(0, "STATIC", "bare", WS_OVERLAPPEDWINDOW, 100, 100, 556, 423, nullptr, nullptr,
                               nullptr, nullptr);
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                              0, 0, 376, 396, frame, nullptr, nullptr, nullptr);
  for (const auto& c : captions) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.c_str()));
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  const double t = Msec(start, Clock::now());
  DestroyWindow(frame);
  return t;
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  const auto captions = Captions();
  {
    testkit::PathmrLibrary lib;
    testkit::Presentation presentation;
    std::vector<double> library, bare;
    for (int i = 0; i < 7; ++i) {
      library.push_back(LibraryList(lib, presentation, captions));
      bare.push_back(BareList(captions));
    }
    std::printf("10,000 entries until painted: library %.1f ms, bare list box %.1f ms, ratio %.2fx\n",
                Median(library), Median(bare), Median(library) / Median(bare));
  }

  // A decoded preview, drawn again: what every later repaint of the image area costs.
  testkit::Canvas canvas;
  const HDC dc = canvas.dc;
  jpeg::JpegPicture slide(testkit::SolidJpeg(1920, 1080, 0x3366CC), false);
  slide.Draw(dc, {0, 15, 160, 90});
  std::vector<double> repaint;
  for (int i = 0; i < 200; ++i) {
    const auto a = Clock::now();
    slide.Draw(dc, {0, 15, 160, 90});
    GdiFlush();
    repaint.push_back(Msec(a, Clock::now()));
  }
  std::printf("repaint of a decoded preview: %.3f ms (decoded %d time)\n", Median(repaint), slide.Decodes());

  CoUninitialize();
  return 0;
}

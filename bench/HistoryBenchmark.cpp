// The history dialog's first look and the preview's steady state, each beside a baseline measured
// in the same run: 10,000 entries through the exports until the dialog has painted, against a bare
// list box filled with the same strings; the dialog from ShowSlideHistory until it has painted with
// its preselected slide, against the same dialog with the same rows and no picture; and a repaint
// of a decoded preview (the peak memory of a preview is measured beside its decoding, in the
// preview benchmark). Prints medians and ratios; run with ./build.sh bench.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "testkit/DialogDriver.h"
#include "testkit/JpegWriter.h"
#include "testkit/PathmrLibrary.h"
#include "testkit/Presentation.h"
#include "testkit/Screen.h"
#include "ui/Owners.h"
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
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

double LibraryList(testkit::PathmrLibrary& lib, testkit::Presentation& presentation,
                   const std::vector<std::string>& captions) {
  g_shown = {};
  const auto start = Clock::now();
  lib.InitializeSlideHistory(presentation.AsVariant());
  for (std::size_t i = 0; i < captions.size(); ++i) lib.AddSlideHistory(static_cast<std::int32_t>(i + 1), captions[i].c_str());
  const ui::Hook activated(WH_CBT, &OnActivate);
  lib.ShowSlideHistory(nullptr, 0);  // nothing selected: no preview, only the list
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

// ---- the first paint ----------------------------------------------------------------------------
// Seen from the host's side: when a dialog's window became visible, and when the last of its
// windows had painted. Each paint of the dialog posts a message to the thread; posted messages come
// before further paints, so it is taken as soon as that paint is done (for paints made at once, as
// soon as the loop takes messages again), and looks whether any of the dialog's windows still waits
// for one. The dialog watched is the history dialog, or the plain one it is compared with.

const UINT kPaintDone = WM_APP + 17;
const char* g_watchedClass = "THistoryForm";
Clock::time_point g_called;
double g_visible = 0, g_painted = 0;  // msec after the call that shows the dialog
bool g_pictureShown = false;

bool OfWatchedDialog(HWND window) {
  char name[32] = "";
  GetClassNameA(GetAncestor(window, GA_ROOT), name, sizeof name);
  return lstrcmpA(name, g_watchedClass) == 0;
}

// The preview's area holds something other than the panel's background.
bool PictureOnScreen(HWND dialog) {
  HWND go = testkit::FindChild(dialog, "Button", "Go");
  if (!go) return false;
  const ui::WindowDc dc(GetParent(go));
  const COLORREF centre = GetPixel(dc.get(), 6 + 80, 8 + 60);  // the layout's 160 x 120 area at 96 dpi
  return centre != CLR_INVALID && centre != GetSysColor(COLOR_BTNFACE);
}

LRESULT CALLBACK SentToDialog(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGED && g_visible == 0 &&
      (reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_SHOWWINDOW) && GetAncestor(m->hwnd, GA_ROOT) == m->hwnd &&
      OfWatchedDialog(m->hwnd))
    g_visible = Msec(g_called, Clock::now());
  if (code == HC_ACTION && m->message == WM_PAINT && OfWatchedDialog(m->hwnd))  // a paint made at once
    PostThreadMessageA(GetCurrentThreadId(), kPaintDone, 0, 0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TakenByDialog(int code, WPARAM wParam, LPARAM lParam) {
  auto* m = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    if (m->message == WM_PAINT && OfWatchedDialog(m->hwnd)) {
      PostThreadMessageA(GetCurrentThreadId(), kPaintDone, 0, 0);
    } else if (m->message == kPaintDone && !m->hwnd) {
      m->message = WM_NULL;
      HWND dialog = FindWindowA(g_watchedClass, nullptr);
      if (g_painted == 0 && dialog && IsWindowVisible(dialog) && !testkit::WaitsForPaint(dialog)) {
        g_painted = Msec(g_called, Clock::now());
        g_pictureShown = PictureOnScreen(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Should a dialog never be seen painted, it is closed all the same, and the run says so.
VOID CALLBACK CloseUnseen(HWND, UINT, UINT_PTR, DWORD) { PostMessageA(FindWindowA(g_watchedClass, nullptr), WM_CLOSE, 0, 0); }

struct FirstPaint {
  double painted, unpainted;
  bool picture;
};

template <class F>
FirstPaint UntilPainted(const char* dialogClass, F&& show) {
  g_watchedClass = dialogClass;
  g_visible = g_painted = 0;
  g_pictureShown = false;
  {
    const ui::Hook sent(WH_CALLWNDPROC, &SentToDialog), taken(WH_GETMESSAGE, &TakenByDialog);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, &CloseUnseen);
    const ui::ScopeExit stop([watchdog] { KillTimer(nullptr, watchdog); });
    g_called = Clock::now();
    show();
  }
  return {g_painted, g_painted - g_visible, g_pictureShown};
}

std::string RowCaption(int i) { return std::to_string(i) + ". A slide with an ordinary title"; }

// The history dialog with 20 rows, the third preselected (0: nothing selected, no picture).
FirstPaint LibraryDialog(testkit::PathmrLibrary& lib, testkit::Presentation& presentation, int position) {
  lib.InitializeSlideHistory(presentation.AsVariant());
  for (int i = 1; i <= 20; ++i) lib.AddSlideHistory(i, RowCaption(i).c_str());
  return UntilPainted("THistoryForm", [&] { lib.ShowSlideHistory(nullptr, position); });
}

// What a host could show instead, the platform's plain way: a window of the same size with a list
// box of the same rows and the three buttons, painted by an ordinary message loop.
FirstPaint PlainDialog() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "PlainHistoryDialog";
  RegisterClassA(&wc);
  return UntilPainted(wc.lpszClassName, [] {
    ui::Window owner(CreateWindowExA(WS_EX_DLGMODALFRAME, "PlainHistoryDialog", "Slide Show History",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 400, 300, 556, 423, nullptr,
                                     nullptr, nullptr, nullptr));
    const HWND dialog = owner.get();
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY,
                                0, 0, 376, 396, dialog, nullptr, nullptr, nullptr);
    SendMessageA(list, WM_SETFONT, font, FALSE);
    for (int i = 1; i <= 20; ++i) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RowCaption(i).c_str()));
    const char* captions[] = {"Go", "Cancel", "About..."};
    for (int i = 0; i < 3; ++i) {
      HWND b = CreateWindowExA(0, "BUTTON", captions[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON),
                               388, 140 + 32 * i, 75, 25, dialog, nullptr, nullptr, nullptr);
      SendMessageA(b, WM_SETFONT, font, FALSE);
    }
    ShowWindow(dialog, SW_SHOWNORMAL);
    SetFocus(list);
    MSG msg;
    while (IsWindow(dialog) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageA(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    if (!IsWindow(dialog)) owner.release();  // closed, and destroyed with that
  });
}

// A picture of fine detail everywhere, as a photograph on a slide makes it: a large file.
std::vector<std::uint8_t> DetailedJpeg(int width, int height) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31 / 7);
  return testkit::EncodeJpeg(pixels, width, height, 3);
}

void MeasureFirstPaint(testkit::PathmrLibrary& lib) {
  const int sizes[][2] = {{1280, 720}, {4000, 3000}};
  for (const auto& size : sizes) {
    const std::vector<std::uint8_t> file = DetailedJpeg(size[0], size[1]);
    testkit::Presentation presentation;
    presentation.keepLog = false;
    for (int i = 1; i <= 20; ++i) presentation.slides[i].file = &file;  // Export only copies the file
    std::vector<double> painted[3], unpainted[3];
    int pictures = 0, unseen = 0;
    for (int run = 0; run < 15; ++run) {
      const FirstPaint seen[3] = {LibraryDialog(lib, presentation, 3), PlainDialog(), LibraryDialog(lib, presentation, 0)};
      for (int k = 0; k < 3; ++k) {
        painted[k].push_back(seen[k].painted);
        unpainted[k].push_back(seen[k].unpainted);
        unseen += seen[k].painted == 0;
      }
      pictures += seen[0].picture && !seen[2].picture;
    }
    const double p[3] = {Median(painted[0]), Median(painted[1]), Median(painted[2])};
    const double u[3] = {Median(unpainted[0]), Median(unpainted[1]), Median(unpainted[2])};
    std::printf("first paint, %dx%d (%.2f MB), from the call that shows the dialog:\n", size[0], size[1],
                file.size() / 1048576.0);
    std::printf("  until painted with its preview: library %.1f ms, plain dialog %.1f ms, ratio %.2fx; "
                "the library without a picture %.1f ms, ratio %.2fx\n",
                p[0], p[1], p[0] / p[1], p[2], p[0] / p[2]);
    std::printf("  visible but unpainted: library %.1f ms, plain dialog %.1f ms, ratio %.2fx; "
                "the library without a picture %.1f ms, ratio %.2fx\n",
                u[0], u[1], u[0] / u[1], u[2], u[0] / u[2]);
    std::printf("  picture on screen when painted: %d of 15 runs%s\n", pictures,
                unseen ? "; SOME DIALOGS WERE NEVER SEEN PAINTED (closed by the watchdog)" : "");
    std::fflush(stdout);
  }
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
    MeasureFirstPaint(lib);
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

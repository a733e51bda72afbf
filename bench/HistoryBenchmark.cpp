// The history dialog's first look and the preview's steady state, each beside a baseline measured
// in the same run: 10,000 entries through the exports until the dialog has painted, against a bare
// list box filled with the same strings; the dialog from ShowSlideHistory until it has painted with
// its rows (its picture may still decode beside it), against a plain dialog of the same rows and the
// library's dialog without a picture; until its picture is on screen, against the export and the
// decode alone; a Down key during a large picture's decode, against the same with a tiny picture;
// and a repaint of a decoded preview (the peak memory of a preview is measured beside its decoding,
// in the preview benchmark). Prints medians and ratios; run with ./build.sh bench.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Owners.h"
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
// What else is watched once the dialog has painted: nothing (it is closed then), its picture
// reaching the screen, or a Down key posted then until the row below is selected and the list has
// painted it.
enum class Watch { FirstPaint, Picture, DownKey };
Watch g_watch = Watch::FirstPaint;
double g_pictureAt = 0, g_keyAt = 0, g_keyDone = 0;
int g_rowBeforeKey = -1;

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

// After the Down key: the row below is selected and the list has painted it, whether the list
// painted in a turn of the loop or at once, inside the selection's handler.
void KeyRowPainted(HWND list) {
  if (g_keyAt == 0 || g_keyDone != 0 || !list || !IsWindowVisible(list) || testkit::WaitsForPaint(list) ||
      SendMessageA(list, LB_GETCURSEL, 0, 0) != g_rowBeforeKey + 1)
    return;
  g_keyDone = Msec(g_called, Clock::now());
  PostMessageA(GetAncestor(list, GA_ROOT), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK PaintedAtOnce(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && m->message == WM_PAINT && g_watch == Watch::DownKey && OfWatchedDialog(m->hwnd)) {
    char name[16] = "";
    GetClassNameA(m->hwnd, name, sizeof name);
    if (lstrcmpiA(name, "ListBox") == 0) KeyRowPainted(m->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
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
      const bool painted = dialog && IsWindowVisible(dialog) && !testkit::WaitsForPaint(dialog);
      const double now = Msec(g_called, Clock::now());
      HWND list = dialog ? testkit::FindChild(dialog, "ListBox") : nullptr;
      if (g_painted == 0 && painted) {
        g_painted = now;
        g_pictureShown = PictureOnScreen(dialog);
        if (g_watch == Watch::DownKey && list) {
          g_rowBeforeKey = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
          g_keyAt = Msec(g_called, Clock::now());
          testkit::PostKey(list, VK_DOWN);
        }
        if (g_watch == Watch::FirstPaint || (g_watch == Watch::Picture && g_pictureShown)) {
          g_pictureAt = now;
          PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
      } else if (g_painted != 0 && painted && g_watch == Watch::Picture && g_pictureAt == 0 && PictureOnScreen(dialog)) {
        g_pictureAt = now;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
      } else if (g_painted != 0 && g_watch == Watch::DownKey) {
        KeyRowPainted(list);
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
  double pictureAt, key;  // until the picture was on screen; from the Down key to its row painted
};

template <class F>
FirstPaint UntilPainted(const char* dialogClass, F&& show, Watch watch = Watch::FirstPaint) {
  g_watchedClass = dialogClass;
  g_watch = watch;
  g_visible = g_painted = g_pictureAt = g_keyAt = g_keyDone = 0;
  g_rowBeforeKey = -1;
  g_pictureShown = false;
  {
    const ui::Hook sent(WH_CALLWNDPROC, &SentToDialog), taken(WH_GETMESSAGE, &TakenByDialog),
        returned(WH_CALLWNDPROCRET, &PaintedAtOnce);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, &CloseUnseen);
    const platform::ScopeExit stop([watchdog] { KillTimer(nullptr, watchdog); });
    g_called = Clock::now();
    show();
  }
  return {g_painted, g_painted - g_visible, g_pictureShown, g_pictureAt, g_keyDone - g_keyAt};
}

std::string RowCaption(int i) { return std::to_string(i) + ". A slide with an ordinary title"; }

// The history dialog with 20 rows, the third preselected (0: nothing selected, no picture).
FirstPaint LibraryDialog(testkit::PathmrLibrary& lib, testkit::Presentation& presentation, int position,
                         Watch watch = Watch::FirstPaint) {
  lib.InitializeSlideHistory(presentation.AsVariant());
  for (int i = 1; i <= 20; ++i) lib.AddSlideHistory(i, RowCaption(i).c_str());
  return UntilPainted("THistoryForm", [&] { lib.ShowSlideHistory(nullptr, position); }, watch);
}

// What a preview cannot do without: the host's export (here a copy of the file) and the file read
// back, which stay on the dialog's thread; and the pixels decoded at the preview's size, beside it.
struct Alone {
  double exportAndLoad, decode;
};
Alone ExportAndDecodeAlone(const std::vector<std::uint8_t>& file, int width, int height) {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  const std::string path = std::string(folder) + "pathmr-bench.jpg";
  const auto start = Clock::now();
  {
    platform::KernelHandle out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(out.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
  }
  std::vector<std::uint8_t> back(file.size());
  {
    platform::KernelHandle in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD read = 0;
    ReadFile(in.get(), back.data(), static_cast<DWORD>(back.size()), &read, nullptr);
  }
  DeleteFileA(path.c_str());
  const auto loaded = Clock::now();
  jpeg::JpegPicture picture(std::move(back), false);
  picture.Prepare(width, height);
  return {Msec(start, loaded), Msec(loaded, Clock::now())};
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
    // The preview's area at 96 dpi is 160 x 120: the picture is fitted into it.
    const int fitWidth = size[0] * 3 >= size[1] * 4 ? 160 : size[0] * 120 / size[1];
    const int fitHeight = size[0] * 3 >= size[1] * 4 ? size[1] * 160 / size[0] : 120;
    std::vector<double> painted[3], unpainted[3], onScreen, alone, exportAlone;
    int pictures = 0, unseen = 0;
    for (int run = 0; run < 15; ++run) {
      const FirstPaint seen[3] = {LibraryDialog(lib, presentation, 3), PlainDialog(), LibraryDialog(lib, presentation, 0)};
      for (int k = 0; k < 3; ++k) {
        painted[k].push_back(seen[k].painted);
        unpainted[k].push_back(seen[k].unpainted);
        unseen += seen[k].painted == 0;
      }
      pictures += seen[0].picture && !seen[2].picture;
      const FirstPaint picture = LibraryDialog(lib, presentation, 3, Watch::Picture);
      unseen += picture.pictureAt == 0;
      onScreen.push_back(picture.pictureAt);
      const Alone a = ExportAndDecodeAlone(file, fitWidth, fitHeight);
      alone.push_back(a.exportAndLoad + a.decode);
      exportAlone.push_back(a.exportAndLoad);
    }
    const double p[3] = {Median(painted[0]), Median(painted[1]), Median(painted[2])};
    const double u[3] = {Median(unpainted[0]), Median(unpainted[1]), Median(unpainted[2])};
    std::printf("first paint, %dx%d (%.2f MB), from the call that shows the dialog:\n", size[0], size[1],
                file.size() / 1048576.0);
    std::printf("  until painted with its rows: library %.1f ms, plain dialog %.1f ms, ratio %.2fx; "
                "the library without a picture %.1f ms, ratio %.2fx\n",
                p[0], p[1], p[0] / p[1], p[2], p[0] / p[2]);
    std::printf("  until its picture is on screen: %.1f ms; the export and the decode alone %.1f ms, ratio %.2fx "
                "(the export and the file's loading alone, on the dialog's thread: %.1f ms)\n",
                Median(onScreen), Median(alone), Median(onScreen) / Median(alone), Median(exportAlone));
    std::printf("  visible but unpainted: library %.1f ms, plain dialog %.1f ms, ratio %.2fx; "
                "the library without a picture %.1f ms, ratio %.2fx\n",
                u[0], u[1], u[0] / u[1], u[2], u[0] / u[2]);
    std::printf("  picture on screen at the first paint: %d of 15 runs%s\n", pictures,
                unseen ? "; SOME DIALOGS WERE NEVER SEEN PAINTED (closed by the watchdog)" : "");
    std::fflush(stdout);
  }
}

// A Down key as soon as the dialog has painted, while the preselected 4000 x 3000 picture decodes:
// until the row below is selected and the list has painted it; against the same with a 16 x 12
// picture, whose decode is done at once. The new row's export (a copy of the file) and loading
// are on the dialog's thread in both.
void MeasureKeyDuringADecode(testkit::PathmrLibrary& lib) {
  const std::vector<std::uint8_t> large = DetailedJpeg(4000, 3000), tiny = DetailedJpeg(16, 12);
  testkit::Presentation withLarge, withTiny;
  withLarge.keepLog = withTiny.keepLog = false;
  for (int i = 1; i <= 20; ++i) {
    withLarge.slides[i].file = &large;
    withTiny.slides[i].file = &tiny;
  }
  std::vector<double> during, baseline, exportAlone;
  // More runs than elsewhere: a key's few milliseconds vary more, run to run, than a dialog's.
  for (int run = 0; run < 45; ++run) {
    during.push_back(LibraryDialog(lib, withLarge, 3, Watch::DownKey).key);
    baseline.push_back(LibraryDialog(lib, withTiny, 3, Watch::DownKey).key);
    exportAlone.push_back(ExportAndDecodeAlone(large, 160, 120).exportAndLoad);
  }
  const double d = Median(during), b = Median(baseline), e = Median(exportAlone);
  std::printf("a Down key during a 4000x3000 decode, until its row is painted: %.1f ms; with a 16x12 picture "
              "%.1f ms, ratio %.2fx; less the new row's export and loading alone (%.1f ms), ratio %.2fx\n",
              d, b, d / b, e, (d - e) / b);
  std::fflush(stdout);
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
    MeasureKeyDuringADecode(lib);
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

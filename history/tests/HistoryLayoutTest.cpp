// The history dialog's layout seen from outside: caption, client size, control rectangles, font,
// and resizing. Runs once at the screen density of the default test prefix and once at 144 dpi.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "testkit/DialogDriver.h"
#include "testkit/PathmrLibrary.h"
#include "testkit/Presentation.h"
#include "testkit/Screen.h"
#include "ui/Geometry.h"

namespace {

// A host that takes the screen as it is, so the density is the prefix's own.
const bool kDpiAware = SetProcessDPIAware() != FALSE;



// How much wider the test makes the dialog: little enough that at 192 dpi it still fits the
// screen, which caps how large a window may be made.
constexpr int kGrowth = 100;

// The dialog told that its window moved to a monitor of another density, as Windows tells it (Wine
// sends no such message), with the rectangle Windows suggests: the window scaled by the change, near
// the top-left corner of the laptop screen, or straddling it and the projector to its right with
// that share (in percent) on the laptop; of even width, so that 50 is a tie.
struct Move {
  int dpi;
  int laptopShare = 0;
  int duringExport = 0;  // a density the window moves to while the host exports for this move
};

constexpr int kProjectorLeft = 1920;  // build.sh: a 1920 x 1080 laptop screen, the projector right of it

struct Seen {
  std::string caption;
  RECT client{}, list{}, panel{}, go{}, cancel{}, about{}, picture{};
  RECT window{};
  RECT physical{};  // the window as a system-aware thread sees it, in the screen's pixels
  RECT frame{};     // the widths of the window's frame around the client area
  UINT windowDpi = 0;
  RECT listAfter{}, panelAfter{}, goAfter{}, clientAfter{};
  LOGFONTA font{};
  std::string goText, cancelText, aboutText;
  std::string blankButtons;  // those whose caption the screenshot does not show
};

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

const std::uint32_t kSlideColour = 0x3366CC;  // a 4:3 slide of one colour fills the picture area

// Shows the dialog and reads it; then, for each move, tells it that its window moved to a monitor
// of another density and reads it again. At each change of density the window must be mostly on the
// monitor of the suggested rectangle (or Windows would move it back), and in its new place before
// the host is asked to export the picture again.
std::vector<Seen> Observe(const std::vector<Move>& moves = {}, bool screenshot = true) {
  testkit::PathmrLibrary lib;
  testkit::Presentation presentation;
  // Moved between densities, the slide is of one colour, so that its picture can be found; shown
  // once, it is the stand-in's real slide, as the screenshot shows it.
  if (!moves.empty()) presentation.slides[1] = testkit::SlideSetup{1024, 768, kSlideColour};
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "1. Welcome");
  lib.AddSlideHistory(2, "2. Agenda");
  std::vector<Seen> seen;
  RECT atExport{}, suggested{};
  bool changed = false;
  int nextDuringExport = 0;
  int density = testkit::ScreenDpi();  // the one the dialog was last told of
  testkit::Driver d(20000);
  HWND dialog = nullptr;
  // What Windows suggests for a move to a density: the window scaled by the change.
  auto suggest = [&](int dpi, int laptopShare) {
    RECT w;
    GetWindowRect(dialog, &w);
    const int width = (MulDiv(w.right - w.left, dpi, density) + 1) & ~1;
    const int height = MulDiv(w.bottom - w.top, dpi, density);
    const int left = laptopShare ? kProjectorLeft - MulDiv(width, laptopShare, 100) : 40;
    density = dpi;
    return RECT{left, 20, left + width, 20 + height};
  };
  auto tell = [&](int dpi, RECT suggested) {
    SendMessageA(dialog, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  };
  presentation.duringExport = [&] {
    if (!dialog) return;
    GetWindowRect(dialog, &atExport);
    if (const int dpi = std::exchange(nextDuringExport, 0)) tell(dpi, suggest(dpi, 0));
  };
  auto read = [&] {
    Seen s;
    GetWindowRect(dialog, &s.window);
    {
      const testkit::ThreadDpiContext systemAware(-2);
      GetWindowRect(dialog, &s.physical);
    }
    s.windowDpi = testkit::UserFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow")(dialog);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    HWND list = testkit::FindChild(dialog, "ListBox");
    HWND go = testkit::FindChild(dialog, "Button", "Go");
    HWND cancel = testkit::FindChild(dialog, "Button", "Cancel");
    HWND about = testkit::FindChild(dialog, "Button", "About...");
    HWND panel = GetParent(go);
    s.caption = testkit::WindowText(dialog);
    GetClientRect(dialog, &s.client);
    s.frame = RECT{origin.x - s.window.left, origin.y - s.window.top, s.window.right - origin.x - s.client.right,
                   s.window.bottom - origin.y - s.client.bottom};
    s.list = testkit::RectIn(list, dialog);
    s.panel = testkit::RectIn(panel, dialog);
    s.go = testkit::RectIn(go, panel);
    s.cancel = testkit::RectIn(cancel, panel);
    s.about = testkit::RectIn(about, panel);
    s.goText = testkit::WindowText(go);
    s.cancelText = testkit::WindowText(cancel);
    s.aboutText = testkit::WindowText(about);
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), sizeof s.font, &s.font);
    if (!moves.empty()) {
      RECT client;
      GetClientRect(panel, &client);
      s.picture = testkit::ColourBoxOnScreen(panel, client, kSlideColour);
    }
    return s;
  };
  d.Then([&] { return (dialog = testkit::FindDialog("Slide Show History")) != nullptr; })
      .Wait(3)
      .Then([&] {
        Seen s = read();
        if (moves.empty()) {
          HWND go = testkit::FindChild(dialog, "Button", "Go");
          const testkit::Capture shot = testkit::CaptureWindow(dialog);
          if (screenshot) testkit::SaveBitmap(shot, testkit::ScreenshotName("history"));
          for (const char* caption : {"Go", "Cancel", "About..."})
            if (!testkit::ShowsText(shot, dialog, testkit::FindChild(dialog, "Button", caption)))
              s.blankButtons += std::string(caption) + " ";
          RECT w;
          GetWindowRect(dialog, &w);
          SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left + kGrowth, w.bottom - w.top + kGrowth / 2,
                       SWP_NOMOVE | SWP_NOZORDER);
          GetClientRect(dialog, &s.clientAfter);
          s.listAfter = testkit::RectIn(testkit::FindChild(dialog, "ListBox"), dialog);
          s.panelAfter = testkit::RectIn(GetParent(go), dialog);
          s.goAfter = testkit::RectIn(go, GetParent(go));
        }
        seen.push_back(s);
        return true;
      });
  for (const Move& move : moves) {
    d.Then([&, move] {
       changed = move.dpi != density;
       suggested = suggest(move.dpi, move.laptopShare);
       nextDuringExport = move.duringExport;
       tell(move.dpi, suggested);
       return true;
     })
        .Wait(3)
        .Then([&, move] {
          seen.push_back(read());
          const RECT& w = seen.back().window;
          if (!changed) return true;
          SCOPED_TRACE("to " + std::to_string(move.dpi) + " dpi, " + std::to_string(move.laptopShare) +
                       "% on the laptop: suggested " + Describe(suggested) + ", window " + Describe(w));
          if (!move.duringExport) {
            EXPECT_EQ(MonitorFromRect(&w, MONITOR_DEFAULTTONEAREST),
                      MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST));
          }
          EXPECT_TRUE(EqualRect(&atExport, &w)) << "exported at " << Describe(atExport);
          return true;
        });
  }
  d.Then([&] {
    testkit::PostKey(testkit::FindChild(dialog, "ListBox"), VK_ESCAPE);
    return true;
  });
  d.Run([&] { return lib.ShowSlideHistory(nullptr, 1); });
  EXPECT_FALSE(d.TimedOut());
  // The picture is exported anew at each change of density, and never twice at once.
  int changes = 0, from = testkit::ScreenDpi();
  for (const Move& move : moves) {
    changes += (move.dpi != from) + (move.duringExport != 0);
    from = move.duringExport ? move.duringExport : move.dpi;
  }
  EXPECT_EQ(presentation.exportCount, 1 + changes);
  EXPECT_EQ(presentation.mostExportsAtOnce, 1);
  return seen;
}

void ExpectRect(const RECT& r, int left, int top, int width, int height, const char* what) {
  EXPECT_EQ(r.left, left) << what;
  EXPECT_EQ(r.top, top) << what;
  EXPECT_EQ(r.right - r.left, width) << what;
  EXPECT_EQ(r.bottom - r.top, height) << what;
}

// The dialog as it must be at a density: the layout font's height follows the density, then every
// size follows the height of "0" in it; drawn in the icon-title font of that density.
void ExpectLaidOutFor(int dpi, const Seen& s, bool pictureOfOneColour) {
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  // The layout was made with Tahoma -11 and a "0" 13 pixels high at 96 dpi.
  const int m = testkit::ZeroHeight("Tahoma", ui::FontHeightForDensity(-11, dpi));
  auto S = [m](int v) { return ui::ScaleValue(v, m, 13); };
  EXPECT_EQ(s.caption, "Slide Show History");
  EXPECT_EQ(s.client.right, S(548));
  EXPECT_EQ(s.client.bottom, S(396));
  const int panelWidth = S(172);
  ExpectRect(s.panel, S(548) - panelWidth, 0, panelWidth, S(396), "CommandPanel");
  ExpectRect(s.list, 0, 0, S(548) - panelWidth, S(396), "SlideListBox");
  ExpectRect(s.go, S(6), S(144), S(73), S(25), "OKButton");
  ExpectRect(s.cancel, S(88), S(144), S(73), S(25), "CancelButton");
  ExpectRect(s.about, S(8), S(360), S(153), S(25), "AboutButton");
  if (pictureOfOneColour) {
    const ui::Bounds fit = ui::FitPicture(1024, 768, S(160), S(120), true, true, true);
    ExpectRect(s.picture, S(6) + fit.left, S(8) + fit.top, fit.width, fit.height, "the slide's picture");
  }
  EXPECT_EQ(s.goText, "Go");
  EXPECT_EQ(s.cancelText, "Cancel");
  EXPECT_EQ(s.aboutText, "About...");
  // Drawn in the icon-title font, not the layout's Tahoma: the system's, followed to the density.
  const LOGFONTA icon = testkit::IconTitleFontAt(dpi);
  EXPECT_STREQ(s.font.lfFaceName, icon.lfFaceName);
  EXPECT_EQ(s.font.lfHeight, icon.lfHeight);
}

TEST(HistoryLayout, FollowsTheLayoutScaledByTheMeasuredTextHeight) {
  ASSERT_TRUE(kDpiAware);
  const int dpi = testkit::ScreenDpi();
  const int expected = testkit::CurrentPrefix().dpi;
  ASSERT_NE(expected, 0) << "the density of the prefix cannot be read from its name (wine<ARCH>-<DPI>...)";
  ASSERT_EQ(dpi, expected);
  const Seen s = Observe().at(0);
  ExpectLaidOutFor(dpi, s, false);
  EXPECT_EQ(s.blankButtons, "");

  // Resized: the list takes the extra room, the panel and its buttons stay at the right.
  const int m = testkit::ZeroHeight("Tahoma", ui::FontHeightForDensity(-11, dpi));
  const int panelWidth = ui::ScaleValue(172, m, 13);
  EXPECT_EQ(s.clientAfter.right, s.client.right + kGrowth);
  ExpectRect(s.panelAfter, s.clientAfter.right - panelWidth, 0, panelWidth, s.clientAfter.bottom, "panel after");
  ExpectRect(s.listAfter, 0, 0, s.clientAfter.right - panelWidth, s.clientAfter.bottom, "list after");
  EXPECT_TRUE(EqualRect(&s.goAfter, &s.go));
}

// Moved to monitors of other densities and back (a per-monitor aware host): each time laid out
// exactly as a dialog created at that density, its picture drawn anew at the new size; the host is
// asked for it once the window has its new place. Moved again while the host exports, it ends laid
// out for the last density, and no second export starts inside the first.
TEST(HistoryLayout, FollowsItsWindowToMonitorsOfOtherDensities) {
  ASSERT_TRUE(kDpiAware);
  const int own = testkit::ScreenDpi();
  const int other = own == 120 ? 144 : 120;
  const std::vector<Move> moves{{144}, {own}, {other, 0, 192}, {own}};
  const std::vector<Seen> seen = Observe(moves);
  ASSERT_EQ(seen.size(), moves.size() + 1);
  ExpectLaidOutFor(own, seen[0], true);
  for (std::size_t i = 0; i < moves.size(); ++i)
    ExpectLaidOutFor(moves[i].duringExport ? moves[i].duringExport : moves[i].dpi, seen[i + 1], true);
}

// Its size at the new density follows the text, not the density, so it differs from what Windows
// suggests. Left at the suggested top-left corner, a window straddling the laptop screen and the
// projector could end up mostly on the monitor it came from, which Windows answers with the next
// change: the window would flip between the two densities.
TEST(HistoryLayout, StaysOnTheMonitorWindowsChoseForItsNewDensity) {
  ASSERT_TRUE(kDpiAware);
  const int own = testkit::ScreenDpi();
  const int other = own == 144 ? 96 : 144;
  const std::vector<Move> moves{{other, 60}, {own, 50}, {other, 50}, {own, 40}};
  const std::vector<Seen> seen = Observe(moves);
  ASSERT_EQ(seen.size(), moves.size() + 1);
  for (std::size_t i = 0; i < moves.size(); ++i) ExpectLaidOutFor(moves[i].dpi, seen[i + 1], true);
}

// A host whose thread is per-monitor aware: the dialog takes its window's own density and the
// icon-title font of each density it is moved to. Windows draws the frame of a v2 window at the
// window's density, that of a v1 window at the system's wherever it is.
void ExpectPerMonitorAware(bool v2) {
  const int own = testkit::ScreenDpi();
  const int other = own == 144 ? 192 : 144;
  const std::vector<Seen> seen = Observe({{other}, {own}}, false);
  ASSERT_EQ(seen.size(), 3u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const int dpi = i == 1 ? other : static_cast<int>(seen[i].windowDpi);
    ExpectLaidOutFor(dpi, seen[i], true);
    LOGFONTW font{};
    ASSERT_TRUE(testkit::UserFunction<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)>("SystemParametersInfoForDpi")(
        SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, dpi));
    EXPECT_EQ(seen[i].font.lfHeight, font.lfHeight);
    RECT r{0, 0, 100, 100};
    const DWORD style = WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW, exStyle = WS_EX_CONTROLPARENT;
    testkit::UserFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi")(
        &r, style, FALSE, exStyle, v2 ? seen[i].windowDpi : static_cast<UINT>(own));
    const RECT frame{-r.left, -r.top, r.right - 100, r.bottom - 100};
    EXPECT_TRUE(EqualRect(&seen[i].frame, &frame)) << Describe(seen[i].frame);
  }
}

TEST(HistoryLayout, OnAPerMonitorV2ThreadTakesItsWindowsDensityAndFrame) {
  ASSERT_TRUE(kDpiAware);
  const testkit::ThreadDpiContext v2(-4);
  // Wine has the per-monitor v2 context from version 9 on; a later Wine (or Windows) that refuses it fails.
  const int wine = testkit::WineMajorVersion();
  if (wine != 0 && wine <= 8) {
    ASSERT_FALSE(v2.Accepted()) << "Wine " << wine << " accepted the per-monitor v2 context: the skip below is wrong";
    GTEST_SKIP() << "Wine " << wine << " has no per-monitor v2 context";
  }
  ASSERT_TRUE(v2.Accepted());
  ExpectPerMonitorAware(true);
}

TEST(HistoryLayout, OnAPerMonitorV1ThreadTakesItsWindowsDensityAndTheSystemsFrame) {
  ASSERT_TRUE(kDpiAware);
  const testkit::ThreadDpiContext v1(-3);
  ASSERT_TRUE(v1.Accepted());
  ExpectPerMonitorAware(false);
}

// An unaware host: laid out for 96 dpi, and the system stretches it with the host on a denser
// screen.
TEST(HistoryLayout, OnAnUnawareThreadIsLaidOutFor96DpiAndStretched) {
  ASSERT_TRUE(kDpiAware);
  const int screen = testkit::ScreenDpi();
  const testkit::ThreadDpiContext unaware(-1);
  ASSERT_TRUE(unaware.Accepted());
  const Seen s = Observe({}, false).at(0);
  ExpectLaidOutFor(96, s, false);
  EXPECT_EQ(s.physical.right - s.physical.left, MulDiv(s.window.right - s.window.left, screen, 96));
  EXPECT_EQ(s.physical.bottom - s.physical.top, MulDiv(s.window.bottom - s.window.top, screen, 96));
}

}  // namespace

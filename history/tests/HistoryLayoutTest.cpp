// The history dialog's layout seen from outside: caption, client size, control rectangles, font,
// and resizing. Runs once at the screen density of the default test prefix and once at 144 dpi.
#include <gtest/gtest.h>

#include <string>
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

struct Seen {
  std::string caption;
  RECT client{}, list{}, panel{}, go{}, cancel{}, about{}, picture{};
  RECT listAfter{}, panelAfter{}, goAfter{}, clientAfter{};
  LOGFONTA font{};
  std::string goText, cancelText, aboutText;
  std::string blankButtons;  // those whose caption the screenshot does not show
};

const std::uint32_t kSlideColour = 0x3366CC;  // a 4:3 slide of one colour fills the picture area

// Shows the dialog and reads it; then, for each density given, tells it that its window moved to a
// monitor of that density (as Windows does; Wine sends no such message) and reads it again.
std::vector<Seen> Observe(const std::vector<int>& densities = {}) {
  testkit::PathmrLibrary lib;
  testkit::Presentation presentation;
  // Moved between densities, the slide is of one colour, so that its picture can be found; shown
  // once, it is the stand-in's real slide, as the screenshot shows it.
  if (!densities.empty()) presentation.slides[1] = testkit::SlideSetup{1024, 768, kSlideColour};
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "1. Welcome");
  lib.AddSlideHistory(2, "2. Agenda");
  std::vector<Seen> seen;
  testkit::Driver d(20000);
  HWND dialog = nullptr;
  auto read = [&] {
    Seen s;
    HWND list = testkit::FindChild(dialog, "ListBox");
    HWND go = testkit::FindChild(dialog, "Button", "Go");
    HWND cancel = testkit::FindChild(dialog, "Button", "Cancel");
    HWND about = testkit::FindChild(dialog, "Button", "About...");
    HWND panel = GetParent(go);
    s.caption = testkit::WindowText(dialog);
    GetClientRect(dialog, &s.client);
    s.list = testkit::RectIn(list, dialog);
    s.panel = testkit::RectIn(panel, dialog);
    s.go = testkit::RectIn(go, panel);
    s.cancel = testkit::RectIn(cancel, panel);
    s.about = testkit::RectIn(about, panel);
    s.goText = testkit::WindowText(go);
    s.cancelText = testkit::WindowText(cancel);
    s.aboutText = testkit::WindowText(about);
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), sizeof s.font, &s.font);
    if (!densities.empty()) {
      const testkit::Capture c = testkit::CaptureClient(panel);
      s.picture = testkit::ColourBox(c, RECT{0, 0, c.width, c.height}, kSlideColour);
    }
    return s;
  };
  d.Then([&] { return (dialog = testkit::FindDialog("Slide Show History")) != nullptr; })
      .Wait(3)
      .Then([&] {
        Seen s = read();
        if (densities.empty()) {
          HWND go = testkit::FindChild(dialog, "Button", "Go");
          const testkit::Capture shot = testkit::CaptureWindow(dialog);
          testkit::SaveBitmap(shot, testkit::ScreenshotName("history"));
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
  for (const int dpi : densities) {
    d.Then([&, dpi] {
       // Suggested: the top-left corner of the screen, so that all of it can be read back at 192 dpi.
       RECT w{0, 0, 600, 400};
       SendMessageA(dialog, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&w));
       return true;
     })
        .Wait(3)
        .Then([&] {
          seen.push_back(read());
          return true;
        });
  }
  d.Then([&] {
    testkit::PostKey(testkit::FindChild(dialog, "ListBox"), VK_ESCAPE);
    return true;
  });
  d.Run([&] { return lib.ShowSlideHistory(nullptr, 1); });
  EXPECT_FALSE(d.TimedOut());
  // The picture is exported anew at each change of density.
  int changes = 0;
  for (std::size_t i = 0; i < densities.size(); ++i) changes += densities[i] != (i ? densities[i - 1] : testkit::ScreenDpi());
  EXPECT_EQ(presentation.exportCount, 1 + changes);
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
  if (const int expected = testkit::CurrentPrefix().dpi) {
    ASSERT_EQ(dpi, expected);
  }
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
// exactly as a dialog created at that density, its picture drawn anew at the new size.
TEST(HistoryLayout, FollowsItsWindowToMonitorsOfOtherDensities) {
  ASSERT_TRUE(kDpiAware);
  const int own = testkit::ScreenDpi();
  const std::vector<int> densities{144, own, 120, 192, own};
  const std::vector<Seen> seen = Observe(densities);
  ASSERT_EQ(seen.size(), densities.size() + 1);
  ExpectLaidOutFor(own, seen[0], true);
  for (std::size_t i = 0; i < densities.size(); ++i) ExpectLaidOutFor(densities[i], seen[i + 1], true);
}

}  // namespace

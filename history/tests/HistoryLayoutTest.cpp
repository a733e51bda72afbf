// The history dialog's layout seen from outside: caption, client size, control rectangles, font,
// and resizing. Runs once at the screen density of the default test prefix and once at 144 dpi.
#include <gtest/gtest.h>

#include <string>

#include "testkit/DialogDriver.h"
#include "testkit/PathmrLibrary.h"
#include "testkit/Presentation.h"
#include "testkit/Screen.h"
#include "ui/Geometry.h"

namespace {

// A host that takes the screen as it is, so the density is the prefix's own.
const bool kDpiAware = SetProcessDPIAware() != FALSE;

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}


// How much wider the test makes the dialog: little enough that at 192 dpi it still fits the
// screen, which caps how large a window may be made.
constexpr int kGrowth = 100;

struct Seen {
  std::string caption;
  RECT client{}, list{}, panel{}, go{}, cancel{}, about{};
  RECT listAfter{}, panelAfter{}, goAfter{}, clientAfter{};
  LOGFONTA font{};
  std::string goText, cancelText, aboutText;
  std::string blankButtons;  // those whose caption the screenshot does not show
};

Seen Observe() {
  testkit::PathmrLibrary lib;
  testkit::Presentation presentation;
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "1. Welcome");
  lib.AddSlideHistory(2, "2. Agenda");
  Seen s;
  testkit::Driver d(10000);
  HWND dialog = nullptr;
  d.Then([&] { return (dialog = testkit::FindDialog("Slide Show History")) != nullptr; })
      .Wait(3)
      .Then([&] {
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
        const testkit::Capture shot = testkit::CaptureWindow(dialog);
        testkit::SaveBitmap(shot, testkit::ScreenshotName("history"));
        for (HWND button : {go, cancel, about})
          if (!testkit::ShowsText(shot, dialog, button)) s.blankButtons += testkit::WindowText(button) + " ";
        RECT w;
        GetWindowRect(dialog, &w);
        SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left + kGrowth, w.bottom - w.top + kGrowth / 2,
                     SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(dialog, &s.clientAfter);
        s.listAfter = testkit::RectIn(list, dialog);
        s.panelAfter = testkit::RectIn(panel, dialog);
        s.goAfter = testkit::RectIn(go, panel);
        testkit::PostKey(list, VK_ESCAPE);
        return true;
      });
  d.Run([&] { return lib.ShowSlideHistory(nullptr, 1); });
  EXPECT_FALSE(d.TimedOut());
  return s;
}

void ExpectRect(const RECT& r, int left, int top, int width, int height, const char* what) {
  EXPECT_EQ(r.left, left) << what;
  EXPECT_EQ(r.top, top) << what;
  EXPECT_EQ(r.right - r.left, width) << what;
  EXPECT_EQ(r.bottom - r.top, height) << what;
}

TEST(HistoryLayout, FollowsTheLayoutScaledByTheMeasuredTextHeight) {
  ASSERT_TRUE(kDpiAware);
  const int dpi = ScreenDpi();
  if (const int expected = testkit::CurrentPrefix().dpi) {
    ASSERT_EQ(dpi, expected);
  }
  // The layout was made with Tahoma -11 and a "0" 13 pixels high at 96 dpi.
  const int m = testkit::ZeroHeight("Tahoma", ui::FontHeightForDensity(-11, dpi));
  auto S = [m](int v) { return ui::ScaleValue(v, m, 13); };

  const Seen s = Observe();
  EXPECT_EQ(s.caption, "Slide Show History");
  EXPECT_EQ(s.client.right, S(548));
  EXPECT_EQ(s.client.bottom, S(396));
  const int panelWidth = S(172);
  ExpectRect(s.panel, S(548) - panelWidth, 0, panelWidth, S(396), "CommandPanel");
  ExpectRect(s.list, 0, 0, S(548) - panelWidth, S(396), "SlideListBox");
  ExpectRect(s.go, S(6), S(144), S(73), S(25), "OKButton");
  ExpectRect(s.cancel, S(88), S(144), S(73), S(25), "CancelButton");
  ExpectRect(s.about, S(8), S(360), S(153), S(25), "AboutButton");
  EXPECT_EQ(s.goText, "Go");
  EXPECT_EQ(s.cancelText, "Cancel");
  EXPECT_EQ(s.aboutText, "About...");
  EXPECT_EQ(s.blankButtons, "");

  // Drawn in the icon-title font, not the layout's Tahoma.
  LOGFONTA icon{};
  SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0);
  EXPECT_STREQ(s.font.lfFaceName, icon.lfFaceName);
  EXPECT_EQ(s.font.lfHeight, icon.lfHeight);

  // Resized: the list takes the extra room, the panel and its buttons stay at the right.
  EXPECT_EQ(s.clientAfter.right, s.client.right + kGrowth);
  ExpectRect(s.panelAfter, s.clientAfter.right - panelWidth, 0, panelWidth, s.clientAfter.bottom, "panel after");
  ExpectRect(s.listAfter, 0, 0, s.clientAfter.right - panelWidth, s.clientAfter.bottom, "list after");
  EXPECT_TRUE(EqualRect(&s.goAfter, &s.go));
}

}  // namespace

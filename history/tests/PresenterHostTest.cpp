// Where the dialogs appear in the setups presenters have: the slide show full-screen on a projector
// to the right of the laptop's screen, host windows small or away from the centre, hidden or
// minimised, or closed while the dialog is being prepared. Real input on a display of two monitors.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "testkit/HistorySession.h"
#include "testkit/Screen.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoA(monitor, &info);
  reinterpret_cast<std::vector<MONITORINFO>*>(list)->push_back(info);
  return TRUE;
}

RECT WindowOnScreen(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

RECT ClientOnScreen(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Within(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom && inner.right > inner.left && inner.bottom > inner.top;
}

// Centred: the same free space on either side, to a pixel of rounding.
void ExpectCentred(const RECT& inner, const RECT& outer) {
  EXPECT_NEAR(inner.left - outer.left, outer.right - inner.right, 1);
  EXPECT_NEAR(inner.top - outer.top, outer.bottom - inner.bottom, 1);
}

struct PresenterHost : ::testing::Test, testkit::HistorySession {
  RECT projector{};
  std::unique_ptr<testkit::HostWindow> host;

  void SetUp() override {
    std::vector<MONITORINFO> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    ASSERT_EQ(monitors.size(), 2u) << "the test display needs a second monitor (build.sh starts one)";
    for (const auto& m : monitors)
      if (!(m.dwFlags & MONITORINFOF_PRIMARY)) projector = m.rcMonitor;
  }
  // The slide show: a window without a frame over the whole projector.
  HWND SlideShow() {
    host = std::make_unique<testkit::HostWindow>(projector.left, projector.top, projector.right - projector.left,
                                                 projector.bottom - projector.top, WS_POPUP);
    return host->Handle();
  }
  HWND HostAt(int x, int y, int width, int height) {
    host = std::make_unique<testkit::HostWindow>(x, y, width, height);
    return host->Handle();
  }
  static HWND AboutBox() { return testkit::FindDialog("About"); }
  void ShowAbout(HWND parent) {
    lib.Bind<void(__stdcall*)(HWND)>("ShowAboutForm")(parent);
  }
};

TEST_F(PresenterHost, TheSlideShowOnTheProjectorHoldsTheDialogAndItsAboutBox) {
  HWND show = SlideShow();
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  RECT dialogRect{}, aboutRect{};
  bool saved = false;
  EXPECT_EQ(Show(1,
                 {Foreground(), Pause(3), Check([&] {
                    dialogRect = WindowOnScreen(dialog);
                    saved = testkit::SaveWindowBitmap(show, "projector-history.bmp");
                  }),
                  ClickButton("About..."), [] { return AboutBox() != nullptr; }, Pause(3),
                  Check([&] { aboutRect = WindowOnScreen(AboutBox()); }),
                  Clicking([] { return testkit::CentreOf(testkit::FindChild(AboutBox(), "Button", "OK")); }),
                  [] { return AboutBox() == nullptr; }, ClickRow(2), SelectionIs(2), ClickButton("Go")},
                 show),
            3);
  EXPECT_TRUE(saved);
  EXPECT_TRUE(Within(dialogRect, ClientOnScreen(show)));
  ExpectCentred(dialogRect, ClientOnScreen(show));
  EXPECT_TRUE(Within(aboutRect, dialogRect));
  ExpectCentred(aboutRect, dialogRect);
  EXPECT_EQ(host->InputSeen(), 0);
}

TEST_F(PresenterHost, SmallHostWindowsAwayFromTheCentreHoldTheWholeDialog) {
  // Room enough: centred in the host's client area, wherever the host is.
  HWND small = HostAt(1100, 500, 760, 520);
  Open({{1, "One"}, {2, "Two"}});
  RECT fitting{};
  EXPECT_EQ(Show(1, {Foreground(), Check([&] { fitting = WindowOnScreen(dialog); }), ClickButton("Go")}, small), 1);
  EXPECT_TRUE(Within(fitting, ClientOnScreen(small)));
  ExpectCentred(fitting, ClientOnScreen(small));

  // Smaller than the dialog: it shrinks to the client area, the list gives up its width, the
  // panel keeps its own and the keys work as ever.
  HWND tiny = HostAt(0, 0, 420, 300);
  Open({{1, "One"}, {2, "Two"}});
  RECT shrunk{}, shrunkClient{}, list{}, panel{};
  EXPECT_EQ(Show(1,
                 {Foreground(), Check([&] {
                    shrunk = WindowOnScreen(dialog);
                    shrunkClient = ClientOnScreen(dialog);
                    list = WindowOnScreen(List());
                    panel = WindowOnScreen(GetParent(ButtonNamed("Go")));
                  }),
                  Typing({VK_DOWN, VK_RETURN})},
                 tiny),
            2);
  EXPECT_EQ(shrunk.left, ClientOnScreen(tiny).left);
  EXPECT_EQ(shrunk.right, ClientOnScreen(tiny).right);
  EXPECT_TRUE(Within(shrunk, ClientOnScreen(tiny)));
  EXPECT_EQ(panel.right, shrunkClient.right);
  EXPECT_EQ(list.right, panel.left);

  // The About box keeps its fixed size over a window smaller than itself, all of it on the screen.
  testkit::Driver d(10000);
  RECT about{};
  d.Then([] { return AboutBox() != nullptr; }).Then([&] {
    about = WindowOnScreen(AboutBox());
    testkit::PostKey(testkit::FindChild(AboutBox(), "Button", "OK"), VK_RETURN);
    return true;
  });
  d.Run([&] {
    ShowAbout(tiny);
    return 0;
  });
  EXPECT_FALSE(d.TimedOut());
  EXPECT_GT(about.right - about.left, 300);
  EXPECT_TRUE(Within(about, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
}

TEST_F(PresenterHost, AHiddenOrMinimisedSlideShowGetsATopLevelDialogOnItsMonitor) {
  for (const int how : {SW_HIDE, SW_MINIMIZE}) {
    HWND show = SlideShow();
    ShowWindow(show, how);
    Open({{1, "One"}, {2, "Two"}});
    RECT placed{};
    HWND parentSeen = nullptr;
    EXPECT_EQ(Show(2,
                   {Check([&] {
                      placed = WindowOnScreen(dialog);
                      parentSeen = GetAncestor(dialog, GA_PARENT);
                    }),
                    Foreground(), Typing({VK_RETURN})},
                   show),
              2)
        << how;
    EXPECT_EQ(parentSeen, GetDesktopWindow()) << how;
    EXPECT_TRUE(Within(placed, projector)) << how;
    ExpectCentred(placed, projector);
  }
}

TEST_F(PresenterHost, ASlideShowClosedDuringTheFirstExportEndsTheCallWithNothingShown) {
  HWND show = SlideShow();
  presentation.duringExport = [show] { DestroyWindow(show); };
  Open({{1, "One"}, {2, "Two"}});
  bool shown = false;
  testkit::Driver d(4000);
  d.Then([&] {
    shown = shown || testkit::FindDialog("Slide Show History") != nullptr;
    return false;
  });
  EXPECT_EQ(d.Run([&] { return lib.ShowSlideHistory(show, 1); }), 0);
  EXPECT_FALSE(d.TimedOut());
  EXPECT_FALSE(shown);
  EXPECT_EQ(FindWindowA("THistoryForm", nullptr), nullptr);
}

}  // namespace

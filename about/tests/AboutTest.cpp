// The About box through the library's exports: on its own and from the history dialog.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>
#include <string>

#include "testkit/DialogDriver.h"
#include "testkit/PathmrLibrary.h"
#include "testkit/Presentation.h"
#include "testkit/RealInput.h"
#include "testkit/Screen.h"
#include "ui/Geometry.h"

namespace {

const bool kDpiAware = SetProcessDPIAware() != FALSE;

using ShowAboutFormFn = void(__stdcall*)(HWND);

struct AboutBox : ::testing::Test {
  testkit::PathmrLibrary lib;
  ShowAboutFormFn ShowAboutForm = lib.Bind<ShowAboutFormFn>("ShowAboutForm");
  HWND about = nullptr;

  // Shows the box; once visible, act must end it. False when the call did not return by itself.
  bool Show(HWND parent, std::function<void()> act) {
    testkit::Driver d(10000);
    d.Then([&] { return (about = testkit::FindDialog("About")) != nullptr; })
        .Wait(2)
        .Then([&] {
          act();
          return true;
        });
    d.Run([&] {
      ShowAboutForm(parent);
      return 0;
    });
    return !d.TimedOut() && d.AllStepsRan();
  }
  HWND Ok() { return testkit::FindChild(about, "Button", "OK"); }
};

TEST_F(AboutBox, EnterEscapeOkAndTheCloseBoxEachEndIt) {
  EXPECT_TRUE(Show(nullptr, [&] { testkit::PostKey(Ok(), VK_RETURN); }));
  EXPECT_TRUE(Show(nullptr, [&] { testkit::PostKey(Ok(), VK_ESCAPE); }));
  EXPECT_TRUE(Show(nullptr, [&] { PostMessageA(Ok(), BM_CLICK, 0, 0); }));
  EXPECT_TRUE(Show(nullptr, [&] { PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); }));
  EXPECT_EQ(testkit::FindDialog("About"), nullptr);
}


TEST_F(AboutBox, LayoutSeenFromOutside) {
  ASSERT_TRUE(kDpiAware);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (const int expected = testkit::CurrentPrefix().dpi) {
    ASSERT_EQ(dpi, expected);
  }
  const int m = testkit::ZeroHeight("Segoe UI", ui::FontHeightForDensity(-12, dpi), ANSI_CHARSET);
  auto S = [m](int v) { return ui::ScaleValue(v, m, 15); };

  RECT client{}, window{}, group{}, panel{}, ok{};
  LONG style = 0;
  HWND owner = reinterpret_cast<HWND>(1);
  std::string okText;
  bool okShown = false;
  ASSERT_TRUE(Show(nullptr, [&] {
    GetClientRect(about, &client);
    GetWindowRect(about, &window);
    style = GetWindowLongA(about, GWL_STYLE);
    owner = GetWindow(about, GW_OWNER);
    HWND okButton = Ok();
    okText = testkit::WindowText(okButton);
    ok = testkit::RectIn(okButton, about);
    HWND groupBox = GetParent(testkit::FindChild(about, "PathmrContainer"));
    (void)groupBox;
    HWND first = GetWindow(about, GW_CHILD);
    for (HWND c = first; c; c = GetWindow(c, GW_HWNDNEXT))
      if (c != okButton) group = testkit::RectIn(c, about);
    HWND inner = testkit::FindChild(about, "PathmrContainer");
    for (HWND c = inner; c; c = testkit::FindChild(c, "PathmrContainer"))
      if (!testkit::FindChild(c, "PathmrContainer")) panel = testkit::RectIn(c, about);
    const testkit::Capture shot = testkit::CaptureWindow(about);
    testkit::SaveBitmap(shot, testkit::ScreenshotName("about"));
    okShown = testkit::ShowsText(shot, about, okButton);
    testkit::PostKey(okButton, VK_ESCAPE);
  }));
  EXPECT_EQ(client.right, S(346));
  EXPECT_EQ(client.bottom, S(210));
  EXPECT_EQ(owner, nullptr);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2);
  EXPECT_EQ(okText, "OK");
  EXPECT_TRUE(okShown) << "the screenshot shows the OK button without its caption";
  EXPECT_EQ(ok.left, S(264));
  EXPECT_EQ(ok.top, S(176));
  EXPECT_EQ(ok.right - ok.left, S(73));
  EXPECT_EQ(ok.bottom - ok.top, S(25));
  EXPECT_EQ(group.left, S(8));
  EXPECT_EQ(group.right - group.left, S(329));
  EXPECT_EQ(group.bottom - group.top, S(161));
  EXPECT_EQ(panel.left, S(8) + S(16));
  EXPECT_EQ(panel.right - panel.left, S(40));
}

TEST_F(AboutBox, FromTheHistoryDialogItOpensOnTopAndLeavesTheSelection) {
  testkit::Presentation presentation;
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "One");
  lib.AddSlideHistory(2, "Two");
  lib.AddSlideHistory(3, "Three");
  HWND history = nullptr;
  int selectedBefore = -2, selectedAfter = -2;
  bool historyEnabledDuring = true;
  HWND aboutParent = nullptr;
  testkit::Driver d(15000);
  d.Then([&] { return (history = testkit::FindDialog("Slide Show History")) != nullptr; })
      .Then([&] {
        selectedBefore = static_cast<int>(SendMessageA(testkit::FindChild(history, "ListBox"), LB_GETCURSEL, 0, 0));
        PostMessageA(testkit::FindChild(history, "Button", "About..."), BM_CLICK, 0, 0);
        return true;
      })
      .Then([&] { return (about = testkit::FindDialog("About")) != nullptr; })
      .Then([&] {
        historyEnabledDuring = IsWindowEnabled(history) != FALSE;
        aboutParent = GetWindow(about, GW_OWNER);
        if (!aboutParent) aboutParent = GetParent(about);
        testkit::PostKey(Ok(), VK_RETURN);
        return true;
      })
      .Then([&] { return testkit::FindDialog("About") == nullptr; })
      .Wait(3)
      .Then([&] {
        HWND list = testkit::FindChild(history, "ListBox");
        selectedAfter = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        testkit::PostKey(list, VK_RETURN);
        return true;
      });
  const int result = d.Run([&] { return lib.ShowSlideHistory(nullptr, 2); });
  EXPECT_FALSE(d.TimedOut());
  EXPECT_EQ(result, 2);
  EXPECT_EQ(selectedBefore, 1);
  EXPECT_EQ(selectedAfter, 1);
  EXPECT_FALSE(historyEnabledDuring);
  EXPECT_EQ(aboutParent, history);
}

HWND g_aboutSeen = nullptr;

void CALLBACK CloseTheAboutBox(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = testkit::FindDialog("About")) {
    g_aboutSeen = box;
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

// A host handler that runs inside the history dialog's loop may call the About export: unlike the
// history exports, which are ignored then, it still shows its box.
TEST_F(AboutBox, ItsExportStillShowsTheBoxWhileTheHistoryDialogRuns) {
  testkit::Presentation presentation;
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "One");
  HWND history = nullptr;
  g_aboutSeen = nullptr;
  testkit::Driver d(15000);
  d.Then([&] { return (history = testkit::FindDialog("Slide Show History")) != nullptr; })
      .Then([&] {
        const UINT_PTR closer = SetTimer(nullptr, 0, 50, &CloseTheAboutBox);
        ShowAboutForm(nullptr);
        KillTimer(nullptr, closer);
        testkit::PostKey(testkit::FindChild(history, "ListBox"), VK_ESCAPE);
        return true;
      });
  EXPECT_EQ(d.Run([&] { return lib.ShowSlideHistory(nullptr, 1); }), 0);
  EXPECT_FALSE(d.TimedOut());
  EXPECT_NE(g_aboutSeen, nullptr);
}

// Real input (hit-tested, enabled state and activation included), with the host's window as the
// parent and without one.
struct AboutRealInput : ::testing::TestWithParam<bool> {
  testkit::PathmrLibrary lib;
  ShowAboutFormFn ShowAboutForm = lib.Bind<ShowAboutFormFn>("ShowAboutForm");
  testkit::HostWindow host{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND about = nullptr;

  // Shows the box, brings it to the foreground, then runs the steps; true when they ended it.
  bool Show(std::vector<testkit::Driver::Step> steps) {
    testkit::Driver d(10000);
    d.Then([&] {
       about = testkit::FindDialog("About");
       return about != nullptr;
     }).Then([&] { return testkit::BringToForeground(about); });
    for (auto& s : steps) d.Then(s);
    d.Run([&] {
      ShowAboutForm(GetParam() ? host.Handle() : nullptr);
      return 0;
    });
    return !d.TimedOut() && d.AllStepsRan() && testkit::FindDialog("About") == nullptr;
  }
  static testkit::Driver::Step Typing(WORD vk) {
    return [vk] { return testkit::Type({vk}); };
  }
  testkit::Driver::Step Clicking(std::function<POINT()> where) {
    return [where] { return testkit::Click(where()); };
  }
  HWND Ok() { return testkit::FindChild(about, "Button", "OK"); }
};

INSTANTIATE_TEST_SUITE_P(, AboutRealInput, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "InAHostWindow" : "TopLevel"; });

TEST_P(AboutRealInput, EnterEscapeOkAndTheCloseBoxEachEndIt) {
  EXPECT_TRUE(Show({Typing(VK_RETURN)}));
  EXPECT_TRUE(Show({Typing(VK_ESCAPE)}));
  EXPECT_TRUE(Show({Clicking([&] { return testkit::CentreOf(Ok()); })}));
  EXPECT_TRUE(Show({Clicking([&] { return testkit::CloseBoxOf(about); })}));
}

TEST_P(AboutRealInput, AClickOnTheHostsWindowReachesNothing) {
  bool openAfter = false;
  auto ticks = std::make_shared<int>(5);
  EXPECT_TRUE(Show({Clicking([&] { return host.ClientPointOnScreen(20, 20); }), [ticks] { return --*ticks <= 0; },
                    [&] {
                      openAfter = IsWindowVisible(about) != FALSE;
                      return testkit::Type({VK_ESCAPE});
                    }}));
  EXPECT_TRUE(openAfter);
  EXPECT_EQ(host.InputSeen(), 0);
}

}  // namespace

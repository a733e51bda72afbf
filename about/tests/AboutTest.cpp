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


struct AboutSeen {
  RECT client{}, window{}, group{}, panel{}, ok{}, product{};
  LONG style = 0;
  HWND owner = reinterpret_cast<HWND>(1);
  std::string okText;
  LOGFONTA font{};
};

AboutSeen Read(HWND about) {
  AboutSeen s;
  GetClientRect(about, &s.client);
  GetWindowRect(about, &s.window);
  s.style = GetWindowLongA(about, GWL_STYLE);
  s.owner = GetWindow(about, GW_OWNER);
  HWND okButton = testkit::FindChild(about, "Button", "OK");
  s.okText = testkit::WindowText(okButton);
  s.ok = testkit::RectIn(okButton, about);
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(okButton, WM_GETFONT, 0, 0)), sizeof s.font, &s.font);
  for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (c != okButton) s.group = testkit::RectIn(c, about);
  HWND inner = testkit::FindChild(about, "PathmrContainer");
  for (HWND c = inner; c; c = testkit::FindChild(c, "PathmrContainer"))
    if (!testkit::FindChild(c, "PathmrContainer")) s.panel = testkit::RectIn(c, about);
  return s;
}

// The box as it must be at a density: the layout font's height follows the density, then every
// size follows the height of "0" in it; drawn in the icon-title font of that density.
void ExpectLaidOutFor(int dpi, const AboutSeen& s) {
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  const int m = testkit::ZeroHeight("Segoe UI", ui::FontHeightForDensity(-12, dpi), ANSI_CHARSET);
  auto S = [m](int v) { return ui::ScaleValue(v, m, 15); };
  EXPECT_EQ(s.client.right, S(346));
  EXPECT_EQ(s.client.bottom, S(210));
  EXPECT_EQ(s.okText, "OK");
  EXPECT_EQ(s.ok.left, S(264));
  EXPECT_EQ(s.ok.top, S(176));
  EXPECT_EQ(s.ok.right - s.ok.left, S(73));
  EXPECT_EQ(s.ok.bottom - s.ok.top, S(25));
  EXPECT_EQ(s.group.left, S(8));
  EXPECT_EQ(s.group.right - s.group.left, S(329));
  EXPECT_EQ(s.group.bottom - s.group.top, S(161));
  EXPECT_EQ(s.panel.left, S(8) + S(16));
  EXPECT_EQ(s.panel.right - s.panel.left, S(40));
  const LOGFONTA icon = testkit::IconTitleFontAt(dpi);
  EXPECT_STREQ(s.font.lfFaceName, icon.lfFaceName);
  EXPECT_EQ(s.font.lfHeight, icon.lfHeight);
}

TEST_F(AboutBox, LayoutSeenFromOutside) {
  ASSERT_TRUE(kDpiAware);
  const int dpi = testkit::ScreenDpi();
  const int expected = testkit::CurrentPrefix().dpi;
  ASSERT_NE(expected, 0) << "the density of the prefix cannot be read from its name (wine<ARCH>-<DPI>...)";
  ASSERT_EQ(dpi, expected);
  AboutSeen s;
  bool okShown = false;
  ASSERT_TRUE(Show(nullptr, [&] {
    s = Read(about);
    const testkit::Capture shot = testkit::CaptureWindow(about);
    testkit::SaveBitmap(shot, testkit::ScreenshotName("about"));
    okShown = testkit::ShowsText(shot, about, Ok());
    testkit::PostKey(Ok(), VK_ESCAPE);
  }));
  EXPECT_TRUE(okShown) << "the screenshot shows the OK button without its caption";
  ExpectLaidOutFor(dpi, s);
  EXPECT_EQ(s.owner, nullptr);
  EXPECT_FALSE(s.style & WS_THICKFRAME);
  EXPECT_FALSE(s.style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(s.style & WS_MINIMIZEBOX);
  EXPECT_EQ(s.window.left, (GetSystemMetrics(SM_CXSCREEN) - (s.window.right - s.window.left)) / 2);
}

// Moved to monitors of other densities and back (a per-monitor aware host; Wine sends no such
// message): each time laid out exactly as a box created at that density.
TEST_F(AboutBox, FollowsItsWindowToMonitorsOfOtherDensities) {
  ASSERT_TRUE(kDpiAware);
  const int own = testkit::ScreenDpi();
  const std::vector<int> densities{144, own, 120, 192, own};
  std::vector<AboutSeen> seen;
  testkit::Driver d(15000);
  d.Then([&] { return (about = testkit::FindDialog("About")) != nullptr; }).Wait(2);
  for (const int dpi : densities) {
    d.Then([&, dpi] {
       RECT w;
       GetWindowRect(about, &w);
       SendMessageA(about, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&w));
       return true;
     })
        .Wait(2)
        .Then([&] {
          seen.push_back(Read(about));
          return true;
        });
  }
  d.Then([&] {
    testkit::PostKey(Ok(), VK_RETURN);
    return true;
  });
  d.Run([&] {
    ShowAboutForm(nullptr);
    return 0;
  });
  EXPECT_FALSE(d.TimedOut());
  ASSERT_EQ(seen.size(), densities.size());
  for (std::size_t i = 0; i < densities.size(); ++i) ExpectLaidOutFor(densities[i], seen[i]);
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

#include "dialogs/AltKeyRepaintFix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/FileVersion.h"
#include "testkit/FakeTimer.h"
#include "testkit/TestForm.h"
#include "ui/Controls.h"

namespace {

using dialogs::AltKeyRepaintFix;

struct FakePlatform : dialogs::AltKeyRepaintPlatform {
  bool styles = true;
  int posts = 0;
  testkit::TimerRecord recorder;
  bool VisualStylesInEffect() override { return styles; }
  void PostRepaintMessage(ui::Form&) override { ++posts; }
  std::unique_ptr<ui::TimerBackend> MakeTimerBackend() override {
    return std::make_unique<testkit::RecordingTimerBackend>(recorder);
  }
};

struct KeyDownCheck : ::testing::Test {
  FakePlatform platform;
  testkit::TestForm form;
  AltKeyRepaintFix fix{form, platform};
  // Repaints started so far: each key that starts one enables the (then idle) timer once.
  int Started() const { return platform.recorder.starts; }
  void Tick() {
    ASSERT_TRUE(platform.recorder.tick);
    platform.recorder.tick();
  }
};

TEST_F(KeyDownCheck, StartsWithTheDocumentedState) {
  EXPECT_TRUE(fix.Enabled());
  EXPECT_EQ(fix.DelayType(), dialogs::dtTimer);
  EXPECT_EQ(fix.TimerDelayMsec(), 10u);
  EXPECT_FALSE(fix.AltSeen());
  EXPECT_EQ(fix.TargetForm(), nullptr);
  EXPECT_FALSE(fix.RepaintTimer().Enabled());
  EXPECT_EQ(fix.RepaintTimer().Interval(), 10u);
  EXPECT_EQ(Started(), 0);
}

TEST_F(KeyDownCheck, AltThenTabThenTabGivesTwoRepaints) {
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Started(), 1);
  EXPECT_EQ(platform.recorder.interval, 10u);
  EXPECT_TRUE(fix.AltSeen());
  EXPECT_EQ(fix.TargetForm(), &form);
  Tick();
  EXPECT_FALSE(fix.RepaintTimer().Enabled());  // one tick per enabling
  fix.KeyDownCheck(form, VK_TAB);
  EXPECT_EQ(Started(), 2);
  EXPECT_FALSE(fix.AltSeen());
  Tick();
  fix.KeyDownCheck(form, VK_TAB);
  EXPECT_EQ(Started(), 2);
}

TEST_F(KeyDownCheck, TabOrArrowsWithoutAltStartNothing) {
  for (std::uint16_t key : std::initializer_list<std::uint16_t>{VK_TAB, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) fix.KeyDownCheck(form, key);
  EXPECT_EQ(Started(), 0);
  EXPECT_EQ(fix.TargetForm(), nullptr);
}

TEST_F(KeyDownCheck, OtherKeysLeaveAltSeenAsItWas) {
  fix.KeyDownCheck(form, VK_MENU);
  Tick();
  for (std::uint16_t key : std::initializer_list<std::uint16_t>{'A', VK_RETURN, VK_ESCAPE, VK_SHIFT, VK_HOME, 36, 41}) fix.KeyDownCheck(form, key);
  EXPECT_TRUE(fix.AltSeen());
  EXPECT_EQ(Started(), 1);
  fix.KeyDownCheck(form, VK_DOWN);  // the arrow still follows the Alt
  EXPECT_EQ(Started(), 2);
}

TEST_F(KeyDownCheck, DisabledOrClassicAppearanceIgnoresEveryKey) {
  fix.SetEnabled(false);
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Started(), 0);
  EXPECT_FALSE(fix.AltSeen());
  fix.SetEnabled(true);
  platform.styles = false;
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Started(), 0);
  EXPECT_FALSE(fix.AltSeen());
  EXPECT_EQ(fix.TargetForm(), nullptr);
}

TEST_F(KeyDownCheck, KeysWhilePendingNeitherRestartNorPostpone) {
  fix.KeyDownCheck(form, VK_MENU);
  fix.KeyDownCheck(form, VK_MENU);
  fix.KeyDownCheck(form, VK_TAB);
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Started(), 1);
}

TEST_F(KeyDownCheck, AChangedIntervalRestartsAndZeroNeverRuns) {
  fix.KeyDownCheck(form, VK_MENU);
  fix.SetTimerDelayMsec(30);
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Started(), 2);
  EXPECT_EQ(platform.recorder.interval, 30u);
  Tick();
  fix.SetTimerDelayMsec(0);
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Started(), 2);
  EXPECT_TRUE(fix.RepaintTimer().Enabled());  // enabled, but a zero interval never ticks
}

TEST_F(KeyDownCheck, PostedMessageModePostsInsteadOfTiming) {
  fix.SetDelayType(dialogs::dtPostMsg);
  fix.KeyDownCheck(form, VK_MENU);
  fix.KeyDownCheck(form, VK_UP);
  EXPECT_EQ(platform.posts, 2);
  EXPECT_EQ(Started(), 0);
}

TEST_F(KeyDownCheck, RefusedTimerReportsOnceUntilTheIntervalChanges) {
  platform.recorder.refuse = true;
  try {
    fix.KeyDownCheck(form, VK_MENU);
    FAIL() << "no error";
  } catch (const ui::OutOfResources& e) {
    EXPECT_STREQ(e.what(), "Not enough timers available");
  }
  EXPECT_NO_THROW(fix.KeyDownCheck(form, VK_MENU));
  EXPECT_EQ(Started(), 1);
  fix.SetTimerDelayMsec(20);
  EXPECT_THROW(fix.KeyDownCheck(form, VK_MENU), ui::OutOfResources);
}

// ---- the repaint itself, on real windows ------------------------------------------------------

std::map<HWND, std::pair<WNDPROC, int>> g_paints;

LRESULT CALLBACK CountPaints(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  auto& entry = g_paints[w];
  if (m == WM_PAINT) ++entry.second;
  return CallWindowProcA(entry.first, w, m, wp, lp);
}

void Watch(HWND w) {
  g_paints[w] = {reinterpret_cast<WNDPROC>(
                     SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountPaints))),
                 0};
}

// Takes this thread's messages until `done` holds (for at most two seconds), then every message
// still queued, paints included. False when `done` never held.
bool PumpUntil(const std::function<bool()>& done) {
  bool met = false;
  for (const DWORD start = GetTickCount(); !(met = done()) && GetTickCount() - start < 2000;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  return met;
}

// Takes this thread's messages until a timer of `msec` started now has gone off: the moment a
// timer started with it would have run.
bool g_probeFired = false;
void CALLBACK ProbeFired(HWND, UINT, UINT_PTR, DWORD) { g_probeFired = true; }
void PumpPast(UINT msec) {
  g_probeFired = false;
  const UINT_PTR probe = SetTimer(nullptr, 0, msec, &ProbeFired);
  EXPECT_TRUE(PumpUntil([] { return g_probeFired; }));
  KillTimer(nullptr, probe);
}

struct StylesOn : dialogs::AltKeyRepaintPlatform {
  bool VisualStylesInEffect() override { return true; }
  void PostRepaintMessage(ui::Form&) override {}
  std::unique_ptr<ui::TimerBackend> MakeTimerBackend() override { return ui::MakeWindowTimerBackend(); }
};

struct Repaint : ::testing::Test {
  StylesOn platform;
  testkit::TestForm form;
  HWND ok = nullptr, cancel = nullptr, boom = nullptr, list = nullptr, panel = nullptr;
  void SetUp() override {
    g_paints.clear();
    form.HandleNeeded();
    ShowWindow(form.Handle(), SW_SHOW);
    PumpUntil([] { return true; });  // shown and painted: nothing of it is counted
    ok = form.Find<ui::Button>("Ok").Handle();
    cancel = form.Find<ui::Button>("Cancel").Handle();
    boom = form.Find<ui::Button>("Boom").Handle();
    list = form.Find<ui::ListBox>("List").Handle();
    panel = form.Find<ui::Container>("Side").Handle();
    for (HWND w : {ok, cancel, boom, list, panel}) Watch(w);
  }
  int Paints(HWND w) { return g_paints[w].second; }
};

TEST_F(Repaint, AltRepaintsEveryPushButtonAndNothingElseAfterTheDelay) {
  AltKeyRepaintFix fix(form, platform);
  fix.KeyDownCheck(form, VK_MENU);
  EXPECT_EQ(Paints(ok), 0);  // never at once
  EXPECT_TRUE(PumpUntil([&] { return !fix.RepaintTimer().Enabled(); }));
  EXPECT_EQ(Paints(ok), 1);
  EXPECT_EQ(Paints(cancel), 1);
  EXPECT_EQ(Paints(boom), 1);
  EXPECT_EQ(Paints(list), 0);
  EXPECT_EQ(Paints(panel), 0);
  EXPECT_FALSE(fix.RepaintTimer().Enabled());
}

TEST_F(Repaint, DestroyedBeforeTheDelayNothingHappens) {
  unsigned delay = 0;
  {
    AltKeyRepaintFix fix(form, platform);
    fix.KeyDownCheck(form, VK_MENU);
    delay = fix.TimerDelayMsec();
  }
  PumpPast(delay);
  EXPECT_EQ(Paints(ok), 0);
}

TEST_F(Repaint, ForceControlRepaintWithoutATargetDoesNothing) {
  AltKeyRepaintFix fix(form, platform);
  fix.ForceControlRepaint();
  EXPECT_EQ(Paints(ok), 0);
}

// The common controls' version is read from the file's version resource, without running the
// library: on the system's own comctl32 it must say what the library itself says once loaded.
TEST(CommonControlsVersion, TheFilesResourceAgreesWithTheLoadedLibrary) {
  char dir[MAX_PATH] = "";
  ASSERT_GT(GetSystemDirectoryA(dir, MAX_PATH), 0u);
  const std::string path = std::string(dir) + "\\comctl32.dll";
  HMODULE data = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(data, nullptr);
  HRSRC info = FindResourceA(data, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  ASSERT_NE(info, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(data, info)));
  const std::vector<unsigned char> block(bytes, bytes + SizeofResource(data, info));
  FreeLibrary(data);

  HMODULE code = LoadLibraryA(path.c_str());
  ASSERT_NE(code, nullptr);
  struct VersionInfo {
    DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
  } loaded{sizeof(VersionInfo), 0, 0, 0, 0};
  auto get = reinterpret_cast<HRESULT(CALLBACK*)(VersionInfo*)>(reinterpret_cast<void*>(GetProcAddress(code, "DllGetVersion")));
  ASSERT_NE(get, nullptr);
  ASSERT_EQ(get(&loaded), S_OK);
  FreeLibrary(code);

  EXPECT_EQ(dialogs::FileVersionMajor(block.data(), block.size()), static_cast<int>(loaded.dwMajorVersion));
  // A block cut short, or one that is not a version block, says nothing.
  EXPECT_EQ(dialogs::FileVersionMajor(block.data(), 60), 0);
  std::vector<unsigned char> other = block;
  other[6] = 'W';
  EXPECT_EQ(dialogs::FileVersionMajor(other.data(), other.size()), 0);
}

}  // namespace

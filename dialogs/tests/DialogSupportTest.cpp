#include "dialogs/DialogSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "testkit/TestForm.h"
#include "ui/Controls.h"
#include "testkit/Screen.h"
#include "ui/Density.h"

namespace {

bool Refuse(void*, int) { return false; }

// An icon-title font unlike the test form's own Tahoma -11 in every prefix.
bool LargeCourier(void* logFont, int) {
  LOGFONTA lf{};
  lf.lfHeight = -20;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = ANSI_CHARSET;
  lstrcpyA(lf.lfFaceName, "Courier New");
  *static_cast<LOGFONTA*>(logFont) = lf;
  return true;
}

TEST(DialogFontSetup, TheFormAndItsControlsTakeTheIconTitleFont) {
  LOGFONTA expected{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof expected, &expected, 0));
  testkit::TestForm form;
  form.HandleNeeded();
  dialogs::DialogFontSetup(form.GetFont());
  EXPECT_EQ(form.GetFont().Description().face, expected.lfFaceName);
  EXPECT_EQ(form.GetFont().Description().height, expected.lfHeight);
  EXPECT_EQ(form.GetFont().Description().charset, expected.lfCharSet);
  // Controls that take the form's font follow at once.
  HFONT listFont = reinterpret_cast<HFONT>(SendMessageA(form.Find<ui::ListBox>("List").Handle(), WM_GETFONT, 0, 0));
  EXPECT_EQ(listFont, form.GetFont().Handle());
  HFONT okFont = reinterpret_cast<HFONT>(SendMessageA(form.Find<ui::Button>("Ok").Handle(), WM_GETFONT, 0, 0));
  EXPECT_EQ(okFont, form.GetFont().Handle());
}

// At another density the font is the icon-title font of that density; where the system lacks the
// per-monitor functions (hidden from the lookup here), the system's own, as before them.
TEST(DialogFontSetup, TakesTheIconTitleFontOfTheDialogsDensity) {
  LOGFONTA system{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof system, &system, 0));
  const int own = testkit::ScreenDpi();
  const int other = own == 144 ? 192 : 144;
  testkit::TestForm form;
  dialogs::DialogFontSetup(form.GetFont(), other);
  EXPECT_EQ(form.GetFont().Description().height, testkit::IconTitleFontAt(other).lfHeight);
  EXPECT_EQ(form.GetFont().Description().face, system.lfFaceName);
  dialogs::DialogFontSetup(form.GetFont(), own);
  EXPECT_EQ(form.GetFont().Description().height, system.lfHeight);
  ui::UsePerMonitorFunctions(false);
  dialogs::DialogFontSetup(form.GetFont(), other);
  ui::UsePerMonitorFunctions(true);
  EXPECT_EQ(form.GetFont().Description().height, system.lfHeight);
}

TEST(DialogFontSetup, TakesTheFontTheQueryNames) {
  testkit::TestForm form;
  form.HandleNeeded();
  dialogs::DialogFontSetup(form.GetFont(), 0, &LargeCourier);
  EXPECT_EQ(form.GetFont().Description().face, "Courier New");
  EXPECT_EQ(form.GetFont().Description().height, -20);
  LOGFONTA listFont{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.Find<ui::ListBox>("List").Handle(), WM_GETFONT, 0, 0)),
             sizeof listFont, &listFont);
  EXPECT_STREQ(listFont.lfFaceName, "Courier New");
  EXPECT_EQ(listFont.lfHeight, -20);
}

TEST(DialogFontSetup, FallsBackToTheDefaultGuiFontAndNeverReleasesIt) {
  HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  {
    testkit::TestForm form;
    dialogs::DialogFontSetup(form.GetFont(), 0, &Refuse);
    EXPECT_EQ(form.GetFont().Handle(), stock);
    form.GetFont().SetBold(true);  // a later change derives a font of its own
    EXPECT_NE(form.GetFont().Handle(), stock);
    EXPECT_TRUE(form.GetFont().Bold());
  }
  EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_FONT));
}

TEST(DialogFontSetup, ReleasesTheFontItMadeWhenReplaced) {
  testkit::TestForm form;
  dialogs::DialogFontSetup(form.GetFont());
  HFONT made = form.GetFont().Handle();
  dialogs::DialogFontSetup(form.GetFont());
  EXPECT_NE(form.GetFont().Handle(), made);
  EXPECT_EQ(GetObjectType(made), 0u);
}

TEST(BringDialogToFront, TopAndForegroundWithoutShowingOrMoving) {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  testkit::TestForm form;
  form.HandleNeeded();
  RECT before;
  GetWindowRect(form.Handle(), &before);
  ShowWindow(form.Handle(), SW_SHOWNA);
  SetForegroundWindow(other);
  dialogs::BringDialogToFront(form);
  EXPECT_EQ(GetForegroundWindow(), form.Handle());
  RECT after;
  GetWindowRect(form.Handle(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  ShowWindow(form.Handle(), SW_HIDE);
  dialogs::BringDialogToFront(form);
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  DestroyWindow(other);
}

}  // namespace

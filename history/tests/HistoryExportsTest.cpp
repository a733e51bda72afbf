// The three history exports, called through the loaded library the way the add-in calls them,
// with the real dialog driven by posted keys and clicks.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "history/Positions.h"
#include "testkit/HistorySession.h"

namespace {

constexpr char kCaption[] = "Slide Show History";

struct HistoryExports : ::testing::Test, testkit::HistorySession {};

TEST_F(HistoryExports, EnterChoosesTheCurrentEntry) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  EXPECT_EQ(Show(2, [&] { testkit::PostKey(List(), VK_RETURN); }), 2);
  EXPECT_EQ(selectionWhenShown, 1);
}

TEST_F(HistoryExports, TheResultIsThePositionNotTheSlideIndex) {
  Open({{7, "A"}, {3, "B"}});
  EXPECT_EQ(Show(1, [&] {
              SendMessageA(List(), LB_SETCURSEL, 1, 0);
              PostMessageA(ButtonNamed("Go"), BM_CLICK, 0, 0);
            }),
            2);
}

TEST_F(HistoryExports, CancelEscapeAndTheCloseBoxGiveZero) {
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(Show(2, [&] { PostMessageA(ButtonNamed("Cancel"), BM_CLICK, 0, 0); }), 0);
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(Show(2, [&] { testkit::PostKey(List(), VK_ESCAPE); }), 0);
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(Show(2, [&] { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }), 0);
}

TEST_F(HistoryExports, DoubleClickChoosesThatRow) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  EXPECT_EQ(Show(1, [&] { testkit::DoubleClickRow(List(), 2); }), 3);
}

TEST_F(HistoryExports, ArrowKeysMoveTheSelectionBeforeGo) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  EXPECT_EQ(Show(3, [&] {
              testkit::PostKey(List(), VK_UP);
              testkit::PostKey(List(), VK_UP);
              testkit::PostKey(List(), VK_RETURN);
            }),
            1);
}

TEST_F(HistoryExports, AnEmptyListOpensAndGoGivesZero) {
  Open({});
  int rows = -1;
  EXPECT_EQ(Show(1, [&] {
              rows = static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0));
              PostMessageA(ButtonNamed("Go"), BM_CLICK, 0, 0);
            }),
            0);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(selectionWhenShown, -1);
}

TEST_F(HistoryExports, EmptyAndNullCaptionsAreRowsThatCanBeChosen) {
  Open({{1, "One"}, {2, ""}, {3, nullptr}});
  std::string second = "?";
  EXPECT_EQ(Show(3, [&] {
              char text[64] = "x";
              SendMessageA(List(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
              second = text;
              testkit::PostKey(List(), VK_RETURN);
            }),
            3);
  EXPECT_EQ(second, "");
}

TEST_F(HistoryExports, ASecondInitializeDropsTheEarlierEntries) {
  testkit::Presentation first;
  lib.InitializeSlideHistory(first.AsVariant());
  lib.AddSlideHistory(1, "Old");
  EXPECT_EQ(first.References(), 2u);
  Open({{5, "New one"}, {6, "New two"}});
  EXPECT_EQ(first.References(), 1u);  // the dropped request gave its reference back
  int rows = 0;
  std::string top;
  EXPECT_EQ(Show(1, [&] {
              rows = static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0));
              char text[64] = "";
              SendMessageA(List(), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
              top = text;
              testkit::PostKey(List(), VK_RETURN);
            }),
            1);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(top, "New one");
}

TEST_F(HistoryExports, ThePresentationIsCopiedAndReleasedWithTheRequest) {
  EXPECT_EQ(presentation.References(), 1u);
  Open({{1, "One"}});
  EXPECT_EQ(presentation.References(), 2u);
  Show(1, [&] { testkit::PostKey(List(), VK_ESCAPE); });
  EXPECT_EQ(presentation.References(), 1u);
}

TEST_F(HistoryExports, WithoutAnOpenRequestNothingHappens) {
  lib.AddSlideHistory(1, "Nobody asked");
  EXPECT_EQ(lib.ShowSlideHistory(nullptr, 1), 0);
  EXPECT_EQ(testkit::FindDialog(kCaption), nullptr);
  Open({{1, "One"}});
  EXPECT_EQ(Show(1, [&] { testkit::PostKey(List(), VK_RETURN); }), 1);
  // The request ended with the dialog: a second show has nothing to show.
  lib.AddSlideHistory(2, "Too late");
  EXPECT_EQ(lib.ShowSlideHistory(nullptr, 1), 0);
}

// Any 32-bit position maps to a row or to none without overflowing: a constant expression may not
// overflow, so these would not compile if it did.
static_assert(history::RowAtPosition(INT_MIN, 3) == -1, "");
static_assert(history::RowAtPosition(INT_MAX, INT_MAX) == INT_MAX - 1, "");
static_assert(history::RowAtPosition(1, 3) == 0 && history::RowAtPosition(3, 3) == 2, "");
static_assert(history::RowAtPosition(0, 3) == -1 && history::RowAtPosition(4, 3) == -1, "");

TEST_F(HistoryExports, PositionsOutsideTheListSelectNothing) {
  for (std::int32_t position : {0, -1, 4, INT_MIN, INT_MAX}) {
    Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
    EXPECT_EQ(Show(position, [&] { testkit::PostKey(List(), VK_RETURN); }), 0) << position;
    EXPECT_EQ(selectionWhenShown, -1) << position;
  }
}

TEST_F(HistoryExports, ExportsCalledWhileTheDialogRunsLeaveItAlone) {
  testkit::Presentation intruder;
  Open({{1, "One"}, {2, "Two"}});
  int nested = -1, rowsAfter = 0;
  EXPECT_EQ(Show(2, [&] {
              lib.InitializeSlideHistory(intruder.AsVariant());
              lib.AddSlideHistory(9, "Intruder");
              nested = lib.ShowSlideHistory(nullptr, 1);
              rowsAfter = static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0));
              testkit::PostKey(List(), VK_RETURN);
            }),
            2);
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(rowsAfter, 2);
  EXPECT_EQ(intruder.References(), 1u);
  EXPECT_EQ(lib.ShowSlideHistory(nullptr, 1), 0);  // and no request was left behind
}

TEST_F(HistoryExports, ASlideIndexOfMinusOneIsAnOrdinaryValue) {
  Open({{INT_MIN, "Lowest"}, {-1, "Minus one"}, {INT_MAX, "Highest"}});
  EXPECT_EQ(Show(2, [&] {
              testkit::PostKey(List(), VK_DOWN);
              testkit::PostKey(List(), VK_UP);
              testkit::PostKey(List(), VK_RETURN);
            }),
            2);
}

TEST_F(HistoryExports, NoSelectedRowReportsTheListIndexErrorAndStaysOpen) {
  Open({});
  std::string text, caption;
  bool openAfter = false;
  // The list's double-click notification with no row selected, as the list sends it: a
  // double-click below the rows notifies under Wine 8 but not under Wine 10, as on Windows.
  EXPECT_EQ(Show(1, {[&] {
                       PostMessageA(GetParent(List()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(List()), LBN_DBLCLK),
                                    reinterpret_cast<LPARAM>(List()));
                       return true;
                     },
                     TakeErrorBox(text, &caption),
                     [&] {
                       openAfter = IsWindowVisible(dialog) && !testkit::FindMessageBox();
                       testkit::PostKey(List(), VK_ESCAPE);
                       return true;
                     }}),
            0);
  EXPECT_EQ(text, "List index out of bounds (-1)");  // no full stop after ')'
  EXPECT_EQ(caption, "history_test");
  EXPECT_TRUE(openAfter);
}

TEST_F(HistoryExports, AParentWindowTakesTheDialogIn) {
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                              nullptr, nullptr, nullptr);
  Open({{1, "One"}, {2, "Two"}});
  HWND parentSeen = nullptr;
  EXPECT_EQ(Show(
                2,
                [&] {
                  parentSeen = GetAncestor(dialog, GA_PARENT);
                  testkit::PostKey(List(), VK_RETURN);
                },
                host),
            2);
  EXPECT_EQ(parentSeen, host);
  EXPECT_TRUE(IsWindowEnabled(host));
  DestroyWindow(host);
}

TEST_F(HistoryExports, WithoutAParentTheDialogIsTopLevelAndCentred) {
  Open({{1, "One"}});
  RECT r{};
  HWND parentSeen = reinterpret_cast<HWND>(1);
  Show(1, [&] {
    GetWindowRect(dialog, &r);
    parentSeen = GetAncestor(dialog, GA_PARENT);
    testkit::PostKey(List(), VK_ESCAPE);
  });
  EXPECT_EQ(parentSeen, GetDesktopWindow());
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
}

}  // namespace

// The dialog driven with real input (hit-tested, enabled state and activation included), shown
// both as a top-level window and inside a host's window; a host window is on the screen either way.
struct HistoryRealInput : ::testing::TestWithParam<bool>, testkit::HistorySession {
  testkit::HostWindow host{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};

  int ShowWith(std::int32_t position, std::vector<testkit::Driver::Step> steps) {
    steps.insert(steps.begin(), Foreground());
    return Show(position, std::move(steps), GetParam() ? host.Handle() : nullptr);
  }
  static HWND AboutBox() { return testkit::FindDialog("About"); }
};

INSTANTIATE_TEST_SUITE_P(, HistoryRealInput, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "InAHostWindow" : "TopLevel"; });

TEST_P(HistoryRealInput, AClickSelectsARowAndAClickOnGoChoosesIt) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}, {4, "Four"}});
  EXPECT_EQ(ShowWith(1, {ClickRow(2), SelectionIs(2), ClickButton("Go")}), 3);
  ASSERT_FALSE(presentation.calls.empty());
  EXPECT_EQ(presentation.calls.back().index, 3);  // the clicked row was previewed
}

TEST_P(HistoryRealInput, ADoubleClickChoosesTheRow) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  EXPECT_EQ(ShowWith(3, {ClickRow(1, 2)}), 2);
}

TEST_P(HistoryRealInput, CancelAndTheCloseBoxGiveZero) {
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {ClickButton("Cancel")}), 0);
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {Clicking([this] { return testkit::CloseBoxOf(dialog); })}), 0);
}

TEST_P(HistoryRealInput, TypedKeysMoveTheSelectionAndEnterOrEscapeEndIt) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  EXPECT_EQ(ShowWith(1, {Typing({VK_DOWN, VK_DOWN, VK_UP}), SelectionIs(1), Typing({VK_RETURN})}), 2);
  Open({{1, "One"}, {2, "Two"}});
  bool openAfterShiftEnter = false;
  EXPECT_EQ(ShowWith(1, {[] { return testkit::TypeWith(VK_SHIFT, VK_RETURN); }, Pause(5), Check([&] {
                           openAfterShiftEnter = IsWindowVisible(dialog) != FALSE;
                         }),
                         Typing({VK_ESCAPE})}),
            0);
  EXPECT_TRUE(openAfterShiftEnter);
}

TEST_P(HistoryRealInput, AboutOpensOnTopAndItsOkLeadsBackToTheSameRow) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  int selectedAfter = -2;
  EXPECT_EQ(ShowWith(2, {ClickButton("About..."), [] { return AboutBox() != nullptr; },
                         Clicking([] { return testkit::CentreOf(testkit::FindChild(AboutBox(), "Button", "OK")); }),
                         [] { return AboutBox() == nullptr; }, Check([&] { selectedAfter = Selection(); }),
                         ClickButton("Go")}),
            2);
  EXPECT_EQ(selectedAfter, 1);
}

TEST_P(HistoryRealInput, AClickOnTheHostsWindowReachesNothingWhileTheDialogRuns) {
  Open({{1, "One"}, {2, "Two"}});
  bool openAfter = false;
  EXPECT_EQ(ShowWith(2, {Clicking([this] { return host.ClientPointOnScreen(20, 20); }), Pause(5), Check([&] {
                           openAfter = IsWindowVisible(dialog) != FALSE;
                         }),
                         Typing({VK_RETURN})}),
            2);
  EXPECT_TRUE(openAfter);
  EXPECT_EQ(host.InputSeen(), 0);
}

TEST_P(HistoryRealInput, KeysTypedWhileTheFocusIsOnTheHostReachTheDialog) {
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {Check([&] { SetFocus(host.Handle()); }), Typing({VK_UP, VK_RETURN})}), 1);
  EXPECT_EQ(host.InputSeen(), 0);
}

TEST_P(HistoryRealInput, PenTouchAndGesturesAimedAtTheHostGoNowhere) {
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {Check([&] {
                           // Not producible with SendInput here: posted as the system would queue them.
                           for (UINT message : {0x0246u /* WM_POINTERDOWN */, 0x0247u /* WM_POINTERUP */,
                                                0x0240u /* WM_TOUCH */, 0x0119u /* WM_GESTURE */})
                             PostMessageA(host.Handle(), message, 0, MAKELPARAM(20, 20));
                         }),
                         Pause(5), Typing({VK_RETURN})}),
            2);
  EXPECT_EQ(host.InputSeen(), 0);
}

TEST_P(HistoryRealInput, AltF4EndsTheDialogAndNeverTheHostsWindow) {
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {[] { return testkit::TypeWith(VK_MENU, VK_F4); }}), 0);
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {Typing({VK_TAB}), [] { return testkit::TypeWith(VK_MENU, VK_F4); }}), 0);  // from "Go"
  // The system menu's Close.
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowWith(2, {[] { return testkit::TypeWith(VK_MENU, VK_SPACE); }, Pause(5), Typing({'C'})}), 0);
  MSG left;
  while (PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&left);  // a close posted to the host
  EXPECT_EQ(host.CloseRequests(), 0);
  EXPECT_TRUE(IsWindow(host.Handle()));
}

// The add-in opens the history from a key handler of the host: what that key left in the queue
// (its character, a key typed after it) was meant for the host, not for the dialog's list.
TEST_P(HistoryRealInput, KeysQueuedBeforeTheDialogOpenedAreDropped) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  SetForegroundWindow(host.Handle());
  SetFocus(host.Handle());
  ASSERT_TRUE(testkit::Type({'T'}));                  // type-ahead in the list would select "Two"
  PostMessageA(host.Handle(), WM_CHAR, 't', 0);  // as the host's TranslateMessage leaves it
  EXPECT_EQ(ShowWith(1, {Pause(3), Typing({VK_RETURN})}), 1);
  EXPECT_EQ(presentation.exportCount, 1);
}

// The host's export runs the message loop (a progress window): "Cancel" clicked meanwhile ends the
// dialog, and the double-click whose export it was does not press "Go" afterwards.
TEST_P(HistoryRealInput, CancelClickedDuringADoubleClicksExportStands) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  // Exports: the preselection's, the first click's, then the double-click's own, which pumps.
  presentation.duringExport = [&] { presentation.exportPumpMsec = presentation.exportCount == 3 ? 1500 : 0; };
  EXPECT_EQ(ShowWith(2, {ClickRow(2, 2), [&] { return presentation.exportsRunning > 0; }, ClickButton("Cancel")}), 0);
  EXPECT_EQ(presentation.exportCount, 3);
}

// The windowing layer in this process: forms from layout text, the modal loop, default and cancel
// buttons, the shortcut event and the error box, driven with posted messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/DialogDriver.h"
#include "testkit/Screen.h"
#include "testkit/TestForm.h"
#include "ui/Controls.h"
#include "ui/Exceptions.h"
#include "ui/Form.h"

namespace {

using testkit::TestForm;


HWND Button(HWND form, const char* caption) { return testkit::FindChild(form, "Button", caption); }

// With Wine's fonts, Tahoma -11 has a "0" 13 pixels high, as the test layout was made for; the same
// layout made for a "0" of 10 pixels must grow by 13/10.
TEST(Form, ScalesTheLayoutByTheMeasuredTextHeightAndDocks) {
  for (const int made : {13, 10}) {
    SCOPED_TRACE("layout made for a \"0\" of " + std::to_string(made));
    std::string layout = testkit::kTestLayout;
    layout.replace(layout.find("TextHeight = 13"), 15, "TextHeight = " + std::to_string(made));
    TestForm form(layout);
    form.HandleNeeded();
    const int m = testkit::ZeroHeight("Tahoma", -11);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, ui::ScaleValue(300, m, made));
    EXPECT_EQ(client.bottom, ui::ScaleValue(200, m, made));
    const RECT ok = testkit::RectIn(Button(form.Handle(), "OK"), form.Find<ui::Container>("Side").Handle());
    EXPECT_EQ(ok.left, ui::ScaleValue(10, m, made));
    EXPECT_EQ(ok.right - ok.left, ui::ScaleValue(80, m, made));
    const RECT side = testkit::RectIn(form.Find<ui::Container>("Side").Handle(), form.Handle());
    EXPECT_EQ(side.right, client.right);
    EXPECT_EQ(side.right - side.left, ui::ScaleValue(100, m, made));

    MoveWindow(form.Handle(), 0, 0, 900, 500, TRUE);  // wider: the list takes it, the panel stays right
    GetClientRect(form.Handle(), &client);
    const RECT list = testkit::RectIn(form.Find<ui::ListBox>("List").Handle(), form.Handle());
    const RECT side2 = testkit::RectIn(form.Find<ui::Container>("Side").Handle(), form.Handle());
    EXPECT_EQ(side2.right, client.right);
    EXPECT_EQ(side2.right - side2.left, ui::ScaleValue(100, m, made));
    EXPECT_EQ(side2.bottom - side2.top, client.bottom);
    EXPECT_EQ(list.right, side2.left);
    EXPECT_EQ(list.bottom, client.bottom);
  }
}

// Shows the form; once it is active with its first control focused, runs each action on a tick of
// its own (so that every key has been handled before the next one is sent).
int RunWithKeys(TestForm& form, std::vector<std::function<void(HWND)>> actions) {
  testkit::Driver d(8000);
  d.Then([&] {
    return IsWindowVisible(form.Handle()) && GetActiveWindow() == form.Handle() &&
           GetFocus() == testkit::FindChild(form.Handle(), "ListBox");
  });
  for (auto& act : actions)
    d.Then([&form, act] {
      act(form.Handle());
      return true;
    });
  const int r = d.Run([&] { return form.ShowModal(); });
  EXPECT_FALSE(d.TimedOut());
  return r;
}

int RunWithKeys(TestForm& form, std::function<void(HWND)> act) {
  return RunWithKeys(form, std::vector<std::function<void(HWND)>>{act});
}

TEST(Form, EnterClicksTheFocusedButtonOrTheDefaultEscapeTheCancelButton) {
  TestForm a;
  EXPECT_EQ(RunWithKeys(a, [](HWND f) { testkit::PostKey(testkit::FindChild(f, "ListBox"), VK_RETURN); }), 1);
  TestForm b;
  EXPECT_EQ(RunWithKeys(b, [](HWND f) { testkit::PostKey(testkit::FindChild(f, "ListBox"), VK_ESCAPE); }), 2);
  TestForm c;  // Tab twice: from the list to OK, then to Cancel; Enter clicks Cancel
  EXPECT_EQ(RunWithKeys(c, {[](HWND f) { testkit::PostKey(testkit::FindChild(f, "ListBox"), VK_TAB); },
                            [](HWND f) { testkit::PostKey(Button(f, "OK"), VK_TAB); },
                            [](HWND f) { testkit::PostKey(Button(f, "Cancel"), VK_RETURN); }}),
            2);
  TestForm d;
  EXPECT_EQ(RunWithKeys(d, [](HWND f) { PostMessageA(f, WM_CLOSE, 0, 0); }), 2);
}

TEST(Form, EnterAndEscapeWithAModifierClickNothing) {
  TestForm form;
  testkit::Driver d(8000);
  BYTE state[256];
  d.Then([&] { return IsWindowVisible(form.Handle()) != FALSE; })
      .Then([&] {
        GetKeyboardState(state);
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        HWND list = testkit::FindChild(form.Handle(), "ListBox");
        testkit::PostKey(list, VK_RETURN);
        testkit::PostKey(list, VK_ESCAPE);
        return true;
      })
      .Wait(5)
      .Then([&] {
        EXPECT_TRUE(IsWindowVisible(form.Handle()));  // still open
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
        testkit::PostKey(testkit::FindChild(form.Handle(), "ListBox"), VK_ESCAPE);
        return true;
      });
  EXPECT_EQ(d.Run([&] { return form.ShowModal(); }), 2);
  EXPECT_FALSE(d.TimedOut());
}

TEST(Form, ShortCutEventSeesEveryKeyDownBeforeTheControl) {
  TestForm form;
  std::vector<int> selectionWhenSeen;
  form.onKey = [&](std::uint16_t) { selectionWhenSeen.push_back(form.Find<ui::ListBox>("List").ItemIndex()); };
  form.Find<ui::ListBox>("List").AddItem("a", 1);
  form.Find<ui::ListBox>("List").AddItem("b", 2);
  RunWithKeys(form, [](HWND f) {
    HWND list = testkit::FindChild(f, "ListBox");
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    testkit::PostKey(list, VK_DOWN);
    testkit::PostSysKey(list, VK_MENU);
    testkit::PostKey(list, 'A');
    testkit::PostKey(list, VK_ESCAPE);
  });
  EXPECT_EQ(form.keys, (std::vector<std::uint16_t>{VK_DOWN, VK_MENU, 'A', VK_ESCAPE}));
  ASSERT_FALSE(selectionWhenSeen.empty());
  EXPECT_EQ(selectionWhenSeen[0], 0);  // the list had not moved yet when the event saw Down
}

TEST(Form, HandlerFailureShowsTheErrorBoxAndTheDialogStaysOpen) {
  TestForm form;
  std::string text, caption;
  bool iconFound = false;
  HWND owner = nullptr;
  testkit::Driver d(10000);
  d.Then([&] { return IsWindowVisible(form.Handle()) != FALSE; })
      .Then([&] {
        PostMessageA(Button(form.Handle(), "Boom"), BM_CLICK, 0, 0);
        return true;
      })
      .Then([&] {
        HWND box = testkit::FindMessageBox();
        if (!box) return false;
        text = testkit::MessageBoxText(box);
        caption = testkit::WindowText(box);
        owner = GetWindow(box, GW_OWNER);
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
          if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) iconFound = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
      })
      .Wait(5)
      .Then([&] {
        EXPECT_TRUE(IsWindowVisible(form.Handle()));
        form.boom = [] { throw ui::Abort(); };  // the silent abort shows nothing
        PostMessageA(Button(form.Handle(), "Boom"), BM_CLICK, 0, 0);
        return true;
      })
      .Wait(10)
      .Then([&] {
        EXPECT_EQ(testkit::FindMessageBox(), nullptr);
        PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
        return true;
      });
  EXPECT_EQ(d.Run([&] { return form.ShowModal(); }), 2);
  EXPECT_FALSE(d.TimedOut());
  EXPECT_EQ(text, "Something went wrong.");
  EXPECT_EQ(caption, "ui_test");  // the first character as it is
  EXPECT_TRUE(iconFound);
  EXPECT_EQ(owner, form.Handle());
}

TEST(Form, FailureInTheShortCutEventIsReportedAndTheKeyDropped) {
  TestForm form;
  form.onKey = [](std::uint16_t k) {
    if (k == VK_RETURN) throw ui::OutOfResources("Not enough timers available");
  };
  std::string text;
  testkit::Driver d(10000);
  d.Then([&] { return IsWindowVisible(form.Handle()) != FALSE; })
      .Then([&] {
        testkit::PostKey(testkit::FindChild(form.Handle(), "ListBox"), VK_RETURN);
        return true;
      })
      .Then([&] {
        HWND box = testkit::FindMessageBox();
        if (!box) return false;
        text = testkit::MessageBoxText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
      })
      .Wait(5)
      .Then([&] {
        EXPECT_TRUE(IsWindowVisible(form.Handle()));  // Enter did not reach "OK"
        PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
        return true;
      });
  EXPECT_EQ(d.Run([&] { return form.ShowModal(); }), 2);
  EXPECT_EQ(text, "Not enough timers available.");
}

TEST(Form, ModalLoopDisablesTheThreadsWindowsAndReactivatesThePreviousOne) {
  HWND other = CreateWindowExA(0, "STATIC", "host window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
  HWND hidden = CreateWindowExA(0, "STATIC", "hidden", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                nullptr, nullptr);
  SetActiveWindow(other);
  ASSERT_EQ(GetActiveWindow(), other);
  TestForm form;
  bool otherEnabledDuring = true, hiddenEnabledDuring = false;
  testkit::Driver d(8000);
  // Closed only once the form is the active window: then the previous one must come back.
  d.Then([&] { return GetActiveWindow() == form.Handle() && IsWindowVisible(form.Handle()); }).Then([&] {
    otherEnabledDuring = IsWindowEnabled(other) != FALSE;
    hiddenEnabledDuring = IsWindowEnabled(hidden) != FALSE;
    PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
    return true;
  });
  d.Run([&] { return form.ShowModal(); });
  EXPECT_FALSE(d.TimedOut());
  EXPECT_FALSE(otherEnabledDuring);
  EXPECT_TRUE(hiddenEnabledDuring);  // invisible windows are left alone
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(GetActiveWindow(), other);
  DestroyWindow(other);
  DestroyWindow(hidden);
}

TEST(Form, ListValuesAreCheckedByRowNotByTheListsErrorValue) {
  TestForm form;
  auto& list = form.Find<ui::ListBox>("List");
  list.AddItem("minus one", -1);
  list.AddItem("", INT32_MAX);
  EXPECT_EQ(list.ItemValue(0), -1);
  EXPECT_EQ(list.ItemValue(1), INT32_MAX);
  EXPECT_EQ(list.ItemText(1), "");
  try {
    list.ItemValue(list.ItemIndex());
    FAIL();
  } catch (const ui::ListIndexError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
  }
  EXPECT_THROW(list.ItemValue(2), ui::ListIndexError);
  list.SetItemIndex(5);
  EXPECT_EQ(list.ItemIndex(), -1);
}

}  // namespace

namespace {

struct LabelledForm : ui::Form {
  LabelledForm() {
    LoadFromText(R"(
form TLabelledForm
  Caption = "Labelled"
  ClientSize = 200, 80
  Font = "Tahoma", -11, Default
  object Note: Label
    Bounds = 10, 10, 0, 0
    Caption = "Painted by the form"
  end
end
)",
                 ui::Handlers{});
  }
};

struct FormFromText : ui::Form {
  explicit FormFromText(const std::string& text) { LoadFromText(text, ui::Handlers{}, "Test.layout"); }
};

// A misspelt key, or one that no control of that kind reads, fails the first test that loads it.
TEST(Form, AKeyThatNoControlReadsIsRefusedNamingTheFileTheControlAndTheKey) {
  const std::string head = "form TTextForm\n  Caption = \"Keys\"\n  ClientSize = 200, 80\n";
  const std::pair<std::string, std::string> cases[] = {
      {"  object Ok: Button\n    Bounds = 1, 1, 80, 25\n    Captoin = \"OK\"\n  end\n", "Ok has a key that no control of its kind reads: Captoin"},
      {"  object Side: Panel\n    Bounds = 1, 1, 80, 25\n    Default = true\n  end\n", "Side has a key that no control of its kind reads: Default"},
      {"  Colour = Red\n", "TTextForm has a key that no control of its kind reads: Colour"}};
  for (const auto& [body, message] : cases) {
    try {
      FormFromText form(head + body + "end\n");
      ADD_FAILURE() << "accepted: " << body;
    } catch (const ui::Exception& e) {
      EXPECT_EQ(std::string(e.what()), "Test.layout: " + message);
    }
  }
  FormFromText fine(head + "  object Ok: Button\n    Bounds = 1, 1, 80, 25\n    Caption = \"OK\"\n  end\nend\n");
  EXPECT_NE(fine.FindControl("Ok"), nullptr);
}

TEST(Form, GraphicControlsPlacedOnTheFormArePaintedByIt) {
  LabelledForm form;
  form.HandleNeeded();
  ShowWindow(form.Handle(), SW_SHOWNA);
  const ui::Bounds b = form.FindControl("Note")->GetBounds();
  EXPECT_GT(b.width, 40);  // sized to its text
  const RECT label{b.left, b.top, b.left + b.width, b.top + b.height};
  const RECT text = testkit::ColourBoxOnScreen(form.Handle(), label, GetSysColor(COLOR_WINDOWTEXT) & 0xFFFFFF, true, 60);
  EXPECT_FALSE(IsRectEmpty(&text));
}

}  // namespace

namespace {

// A form larger than the screen, as the dialogs are at very large text scaling.
struct OversizedForm : ui::Form {
  explicit OversizedForm(const char* border) {
    LoadFromText(std::string(R"(
form TOversizedForm
  Caption = "Oversized"
  ClientSize = 3000, 2200
  Font = "Tahoma", -11, Default
  BorderStyle = )") + border + R"(
  object Ok: Button
    Bounds = 10, 10, 80, 25
    Caption = "OK"
    Default = true
    ModalResult = 1
  end
end
)",
                 ui::Handlers{});
  }
};

TEST(Form, AFormLargerThanTheScreenKeepsItsTitleBarInTheWorkArea) {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  for (const char* border : {"Sizeable", "Dialog"}) {
    OversizedForm form(border);
    RECT shown{};
    testkit::Driver d(8000);
    d.Then([&] { return IsWindowVisible(form.Handle()) != FALSE; }).Then([&] {
      GetWindowRect(form.Handle(), &shown);
      PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
      return true;
    });
    d.Run([&] { return form.ShowModal(); });
    EXPECT_FALSE(d.TimedOut());
    EXPECT_EQ(shown.left, work.left) << border;
    EXPECT_EQ(shown.top, work.top) << border;
    if (std::string(border) == "Sizeable") {
      EXPECT_EQ(shown.right, work.right) << border;  // made to fit, close box and borders on screen
      EXPECT_EQ(shown.bottom, work.bottom) << border;
    } else {
      EXPECT_GT(shown.right - shown.left, work.right - work.left) << border;  // a fixed size stays
    }
  }
}

}  // namespace

// One history request through the loaded library, as the add-in makes it, with the real dialog
// driven from the test's thread.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "testkit/DialogDriver.h"
#include "testkit/PathmrLibrary.h"
#include "testkit/Presentation.h"
#include "testkit/RealInput.h"

namespace testkit {

struct HistorySession {
  PathmrLibrary lib;
  Presentation presentation;
  HWND dialog = nullptr;
  int selectionWhenShown = -2;
  unsigned watchdogMsec = 15000;  // a dialog still open after this is closed and the test fails

  HWND List() const { return FindChild(dialog, "ListBox"); }
  HWND ButtonNamed(const char* caption) const { return FindChild(dialog, "Button", caption); }
  int Selection() const { return static_cast<int>(SendMessageA(List(), LB_GETCURSEL, 0, 0)); }

  void Open(std::initializer_list<std::pair<std::int32_t, const char*>> rows) {
    lib.InitializeSlideHistory(presentation.AsVariant());
    for (const auto& r : rows) lib.AddSlideHistory(r.first, r.second);
  }

  // Shows the dialog; once it is visible (and, without a parent, active), runs the steps one per
  // tick; they should end it. Fails the test if the dialog had to be closed by the watchdog.
  int Show(std::int32_t position, std::vector<Driver::Step> steps, HWND parent = nullptr) {
    Driver d(watchdogMsec);
    d.Then([&] {
      dialog = FindDialog("Slide Show History");
      if (!dialog && parent) dialog = FindChild(parent, "THistoryForm");
      if (!dialog || !IsWindowVisible(dialog)) return false;
      if (!parent && GetActiveWindow() != dialog) return false;
      selectionWhenShown = Selection();
      return true;
    });
    for (auto& s : steps) d.Then(s);
    const int result = d.Run([&] { return lib.ShowSlideHistory(parent, position); });
    ExpectEndedByItself(d);
    return result;
  }
  int Show(std::int32_t position, std::function<void()> act, HWND parent = nullptr) {
    return Show(position, std::vector<Driver::Step>{[act] {
                  act();
                  return true;
                }},
                parent);
  }

  // Steps: post a key to the list; wait until a row is selected; run a check.
  Driver::Step Key(WORD vk) const {
    return [this, vk] {
      PostKey(List(), vk);
      return true;
    };
  }
  // Steps with real input: the dialog brought to the foreground (do this before typing), a click
  // (or double-click) at a point found when the step runs, keys typed. A refused input fails the test.
  Driver::Step Foreground() const {
    return [this] { return BringToForeground(dialog); };
  }
  static Driver::Step Clicking(std::function<POINT()> where, int times = 1);
  Driver::Step ClickRow(int row, int times = 1) const {
    return Clicking([this, row] { return RowCentreOnScreen(List(), row); }, times);
  }
  Driver::Step ClickButton(const char* caption) const {
    return Clicking([this, caption] { return CentreOf(ButtonNamed(caption)); });
  }
  static Driver::Step Typing(std::vector<WORD> keys);
  static Driver::Step Pause(int ticks) {
    auto left = std::make_shared<int>(ticks);
    return [left] { return --*left <= 0; };
  }
  Driver::Step SelectionIs(int row) const {
    return [this, row] { return Selection() == row; };
  }
  static Driver::Step Check(std::function<void()> f) {
    return [f] {
      f();
      return true;
    };
  }

  // Names of the preview files ("{GUID}.jpg") now in the temporary folder.
  static std::set<std::string> PreviewFilesInTemp();

  // The error box's text once it appears; it is then closed with OK.
  static Driver::Step TakeErrorBox(std::string& text, std::string* caption = nullptr) {
    return [&text, caption] {
      HWND box = FindMessageBox();
      if (!box) return false;
      text = MessageBoxText(box);
      if (caption) *caption = WindowText(box);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return true;
    };
  }

 private:
  static void ExpectEndedByItself(const Driver& d);
};

// Shows the About box through the library's export and ends it with a key posted to "OK"; false
// when the watchdog had to close it.
bool ShowAboutAndClose(PathmrLibrary& lib, WORD key);

}  // namespace testkit

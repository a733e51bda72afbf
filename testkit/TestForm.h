// A small form for tests of the windowing layer and the dialog support: a list docked to fill,
// a right-docked panel with "OK" (default), "Cancel" (cancel) and "Boom" (raises on click).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/Exceptions.h"
#include "ui/Form.h"

namespace testkit {

inline const char kTestLayout[] = R"(
form TTestForm
  Caption = "Test Form"
  ClientSize = 300, 200
  Font = "Tahoma", -11, Default
  TextHeight = 13
  OnShortCut = Key
  object List: ListBox
    Bounds = 0, 0, 200, 200
    Align = Client
    TabOrder = 0
  end
  object Side: Panel
    Bounds = 200, 0, 100, 200
    Align = Right
    TabOrder = 1
    object Ok: Button
      Bounds = 10, 10, 80, 25
      Caption = "OK"
      Default = true
      ModalResult = 1
      TabOrder = 0
    end
    object Cancel: Button
      Bounds = 10, 40, 80, 25
      Caption = "Cancel"
      Cancel = true
      ModalResult = 2
      TabOrder = 1
    end
    object Boom: Button
      Bounds = 10, 70, 80, 25
      Caption = "Boom"
      TabOrder = 2
      OnClick = Boom
    end
  end
end
)";

struct TestForm : ui::Form {
  std::vector<std::uint16_t> keys;
  std::function<void()> boom = [] { throw ui::Exception("Something went wrong"); };
  std::function<void(std::uint16_t)> onKey;
  explicit TestForm(const std::string& layout = kTestLayout) {
    ui::Handlers h;
    h.actions["Boom"] = [this] { boom(); };
    h.keyActions["Key"] = [this](std::uint16_t k) {
      keys.push_back(k);
      if (onKey) onKey(k);
    };
    LoadFromText(layout, std::move(h));
  }
};

}  // namespace testkit

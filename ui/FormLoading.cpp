// A form made from its layout: properties, controls, scaling for a density, and the events bound
// to the handlers the dialog offers.
#include "ui/Form.h"

#include "ui/ControlFactory.h"
#include "ui/Controls.h"
#include "ui/Density.h"
#include "ui/Layout.h"
#include "ui/LayoutResource.h"

namespace ui {

void Form::Load(const std::string& layoutName, Handlers handlers) {
  // The layout of TNameForm is stored from resources/NameForm.layout.
  LoadFromText(LoadLayoutResource(layoutName), std::move(handlers), layoutName.substr(1) + ".layout");
}

void Form::LoadFromText(const std::string& layoutText, Handlers handlers, const std::string& source) {
  const auto layout = ParseLayout(layoutText);
  name_ = className_ = layout->name;
  caption_ = layout->Text("Caption");
  const auto size = layout->Ints("ClientSize");
  if (size.size() != 2) throw Exception("Layout of " + name_ + ": ClientSize needs width, height");
  layoutWidth_ = clientWidth_ = size[0];
  layoutHeight_ = clientHeight_ = size[1];
  const std::string border = layout->Text("BorderStyle", "Sizeable");
  if (border != "Sizeable" && border != "Dialog") throw Exception("Layout of " + name_ + ": unknown BorderStyle");
  sizeable_ = border == "Sizeable";
  centered_ = layout->Text("Position", "ScreenCenter") == "ScreenCenter";
  textHeight_ = layout->Int("TextHeight", 13);
  if (layout->Has("Font")) layoutFont_ = std::make_unique<FontDescription>(FontFromLayout(*layout));
  if (layoutFont_) font_.SetDescription(*layoutFont_);
  font_.OnChange = [this] { FontChanged(); };
  BuildControls(this, this, *layout);
  LayOut(SystemDensity());
  BindEvents(*layout, *this, handlers);
  const std::string onCreate = layout->Text("OnCreate");
  // A misspelt key would otherwise be ignored without a word.
  const auto unread = layout->UnreadKeys();
  if (!unread.empty())
    throw Exception(source + ": " + unread.front().first + " has a key that no control of its kind reads: " +
                    unread.front().second);
  if (!onCreate.empty()) {
    const auto it = handlers.actions.find(onCreate);
    if (it == handlers.actions.end()) throw Exception("Layout of " + name_ + ": no handler " + onCreate);
    it->second();
  }
}

void Form::LayOut(int dpi) {
  // First the layout font follows the density, then every size follows the font: the layout was
  // made for a "0" of textHeight_ pixels. Always from the layout's own values, so that no
  // rounding carries over from one density to the next.
  density_ = dpi;
  if (layoutFont_) {
    FontDescription d = *layoutFont_;
    d.height = FontHeightForDensity(d.height, dpi);
    font_.SetDescription(d);
  }
  const int measured = ZeroHeight(font_.Handle());
  laidOutText_ = measured > 0 ? measured : textHeight_;
  clientWidth_ = laidOutWidth_ = ScaleValue(layoutWidth_, laidOutText_, textHeight_);
  clientHeight_ = laidOutHeight_ = ScaleValue(layoutHeight_, laidOutText_, textHeight_);
  for (auto& child : children_) child->ScaleFromLayout(laidOutText_, textHeight_);
}

void Form::BindEvents(const LayoutNode& node, Control& control, const Handlers& h) {
  auto action = [&](const std::string& key) -> std::function<void()> {
    if (!node.Has(key)) return nullptr;
    const auto it = h.actions.find(node.Text(key));
    if (it == h.actions.end()) throw Exception("Layout of " + node.name + ": no handler " + node.Text(key));
    return it->second;
  };
  if (&control == this) {
    onShow_ = action("OnShow");
    if (node.Has("OnShortCut")) {
      const auto it = h.keyActions.find(node.Text("OnShortCut"));
      if (it == h.keyActions.end()) throw Exception("Layout of " + node.name + ": no handler " + node.Text("OnShortCut"));
      onShortCut_ = it->second;
    }
  } else if (auto* list = dynamic_cast<ListBox*>(&control)) {
    list->OnClick = action("OnClick");
    list->OnDblClick = action("OnDblClick");
  } else if (auto* button = dynamic_cast<Button*>(&control)) {
    button->OnClick = action("OnClick");
  }
  for (const auto& childNode : node.children) {
    Control* child = FindControl(childNode->name);
    if (child) BindEvents(*childNode, *child, h);
  }
}
}  // namespace ui

#include "ui/ControlFactory.h"

#include "ui/Controls.h"
#include "ui/Exceptions.h"
#include "ui/Layout.h"

namespace ui {

void BuildControls(Form* form, Control* parent, const LayoutNode& node) {
  for (const auto& childNode : node.children) {
    const std::string& kind = childNode->kind;
    std::unique_ptr<Control> child;
    if (kind == "ListBox") child = std::make_unique<ListBox>(form, parent, *childNode);
    else if (kind == "Button") child = std::make_unique<Button>(form, parent, *childNode);
    else if (kind == "Panel")
      child = std::make_unique<Container>(form, parent, *childNode,
                                          childNode->Text("BevelKind", "None") == "Soft" ? Container::Frame::SoftBevel
                                                                                        : Container::Frame::None);
    else if (kind == "GroupBox") child = std::make_unique<Container>(form, parent, *childNode, Container::Frame::Group);
    else if (kind == "Image") child = std::make_unique<Image>(form, parent, *childNode);
    else if (kind == "Label") child = std::make_unique<Label>(form, parent, *childNode);
    else throw Exception("Layout of " + childNode->name + ": unknown kind " + kind);
    Control* raw = child.get();
    parent->AddChild(std::move(child));
    if (!childNode->children.empty()) {
      if (!raw->IsWindowed() || dynamic_cast<Container*>(raw) == nullptr)
        throw Exception("Layout of " + childNode->name + ": only panels and group boxes hold controls");
      BuildControls(form, raw, *childNode);
    }
  }
}

}  // namespace ui

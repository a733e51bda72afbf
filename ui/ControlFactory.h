// Makes the controls a layout names, each of the kind the layout gives it.
#pragma once

namespace ui {

class Control;
class Form;
struct LayoutNode;

// Builds the controls that a layout node names, below the given parent.
void BuildControls(Form* form, Control* parent, const LayoutNode& node);

}  // namespace ui

#include "ui/Control.h"

#include <windows.h>

#include <algorithm>

#include "ui/Form.h"
#include "ui/Layout.h"

namespace ui {

Control::Control(Form* form, Control* parent, const LayoutNode& node)
    : form_(form), parent_(parent), name_(node.name) {
  const auto b = node.Ints("Bounds");
  if (!b.empty()) {
    if (b.size() != 4) throw Exception("Layout of " + name_ + ": Bounds needs left, top, width, height");
    bounds_ = {b[0], b[1], b[2], b[3]};
  }
  layoutBounds_ = bounds_;
  const std::string align = node.Text("Align", "None");
  if (align == "Client") align_ = Align::Client;
  else if (align == "Right") align_ = Align::Right;
  else if (align != "None") throw Exception("Layout of " + name_ + ": unknown Align " + align);
  tabOrder_ = node.Int("TabOrder", 0);
  if (form_ && form_ != this) id_ = form_->Windows().NewId();
}

Control::~Control() = default;

void Control::DetachWindow() {
  if (handle_) form_->Windows().Remove(handle_);
  handle_ = nullptr;
}

void Control::ForgetWindows() {
  handle_ = nullptr;
  for (auto& child : children_) child->ForgetWindows();
}

std::intptr_t Control::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void Control::SetBounds(const Bounds& b) {
  bounds_ = b;
  if (handle_ && IsWindowed() && form_ != this)
    MoveWindow(handle_, b.left, b.top, b.width, b.height, TRUE);
  else if (!IsWindowed())
    Invalidate();
  Realign();
}

Font& Control::EffectiveFont() { return ownFont_ ? *ownFont_ : form_->GetFont(); }

void Control::SetOwnFont(std::unique_ptr<Font> font) {
  ownFont_ = std::move(font);
  ownFont_->OnChange = [this] { FontChanged(); };
}

void Control::FontChanged() {
  ApplyFontToWindow();
  for (auto& child : children_)
    if (!child->ownFont_) child->FontChanged();
}

void Control::ApplyFontToWindow() {
  if (handle_ && IsWindowed() && form_ != this)
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(EffectiveFont().Handle()), TRUE);
  else if (!IsWindowed())
    Invalidate();
}

void Control::Invalidate() {
  if (IsWindowed()) {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
  } else if (parent_ && parent_->handle_) {
    RECT r{bounds_.left, bounds_.top, bounds_.left + bounds_.width, bounds_.top + bounds_.height};
    InvalidateRect(parent_->handle_, &r, TRUE);
  }
}

void Control::RepaintNow() {
  Invalidate();
  HWND target = IsWindowed() ? handle_ : (parent_ ? parent_->handle_ : nullptr);
  if (target) UpdateWindow(target);
}

void Control::ScaleFromLayout(int numerator, int denominator) {
  bounds_ = ScaleBounds(layoutBounds_, numerator, denominator);
  for (auto& child : children_) child->ScaleFromLayout(numerator, denominator);
}

void Control::ApplyBounds() {
  SetBounds(bounds_);
  for (auto& child : children_) child->ApplyBounds();
}

void Control::CreateWindowTree(WindowHandle parentWindow) {
  HWND below = parentWindow;
  if (IsWindowed()) {
    handle_ = CreatePlatformWindow(parentWindow);
    if (!handle_) throw OutOfResources("Cannot create the window of " + name_);
    form_->Windows().Add(handle_, this);
    ApplyFontToWindow();
    below = handle_;
  }
  // Windows are made in tab order, which is also the order the dialog navigation follows.
  std::vector<Control*> ordered;
  for (auto& child : children_) ordered.push_back(child.get());
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](Control* a, Control* b) { return a->tabOrder_ < b->tabOrder_; });
  for (Control* child : ordered) child->CreateWindowTree(below);
  Realign();
}

void Control::Realign() {
  if (children_.empty()) return;
  const Bounds area = form_ == this ? Bounds{0, 0, form_->ClientWidth(), form_->ClientHeight()} : bounds_;
  std::vector<Bounds> bounds;
  std::vector<Align> align;
  for (auto& child : children_) {
    bounds.push_back(child->bounds_);
    align.push_back(child->align_);
  }
  const auto arranged = ArrangeDocked(bounds, align, area.width, area.height);
  for (std::size_t i = 0; i < children_.size(); ++i)
    if (align[i] != Align::None && !(arranged[i] == children_[i]->bounds_)) children_[i]->SetBounds(arranged[i]);
}

void Control::PaintGraphicChildren(HDC__* dc) {
  for (auto& child : children_)
    if (!child->IsWindowed()) child->PaintOn(dc);
}

}  // namespace ui

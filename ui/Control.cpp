#include "ui/Control.h"

#include <algorithm>
#include <set>

#include "ui/Controls.h"
#include "ui/ErrorBox.h"
#include "ui/Exceptions.h"
#include "ui/Font.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "ui/Platform.h"
#include "ui/TextLines.h"

namespace ui {

// ---- platform helpers -------------------------------------------------------------------------

HINSTANCE Instance() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Instance), &module);
  return module;
}

namespace {
std::set<std::string>& RegisteredClasses() {
  static std::set<std::string> classes;
  return classes;
}
}  // namespace

void EnsureWindowClass(const char* name, WNDPROC proc, int windowExtra, UINT style, HBRUSH background) {
  if (RegisteredClasses().count(name)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = windowExtra;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw OutOfResources(std::string("Cannot register the window class ") + name);
  RegisteredClasses().insert(name);
}

void ShutdownWindowing() {
  for (const auto& name : RegisteredClasses()) UnregisterClassA(name.c_str(), Instance());
  RegisteredClasses().clear();
}

HBITMAP CreateTopDownBitmap(int width, int height, int bitsPerPixel, void** pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, pixels, nullptr, 0);
  if (!bitmap) throw OutOfResources("Not enough memory for a picture of " + std::to_string(width) + " x " +
                                    std::to_string(height) + " pixels");
  return bitmap;
}

std::string LoadLayoutResource(const std::string& name) {
  HRSRC info = FindResourceA(Instance(), name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(Instance(), info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw Exception("Resource " + name + " not found");
  return std::string(static_cast<const char*>(bytes), SizeofResource(Instance(), info));
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Control*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* control = reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!control) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCCREATE) control->AttachWindow(window);
  LRESULT result = 0;
  try {
    result = static_cast<LRESULT>(control->HandleMessage(message, wParam, lParam));
  } catch (...) {
    // A C++ exception must not unwind through the system's frames: report it here.
    if (message == WM_PAINT) ValidateRect(window, nullptr);
    ReportCurrentException(window);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    control->DetachWindow();
  }
  return result;
}

// ---- Control ----------------------------------------------------------------------------------

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
  if (form_ && form_ != this) id_ = form_->nextId_++;
}

Control::~Control() = default;

void Control::DetachWindow() {
  if (handle_) form_->windows_.erase(handle_);
  handle_ = nullptr;
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
    form_->windows_[handle_] = this;
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

FontDescription FontFromLayout(const LayoutNode& node) {
  const LayoutValue& v = node.Value("Font");
  if (v.items.size() < 3) throw Exception("Layout of " + node.name + ": Font needs face, height, character set");
  FontDescription d;
  d.face = v.items[0];
  if (!ParseInt(v.items[1], d.height)) throw Exception("Layout of " + node.name + ": font height is not a number");
  if (v.items[2] == "Default") d.charset = DEFAULT_CHARSET;
  else if (v.items[2] == "ANSI") d.charset = ANSI_CHARSET;
  else throw Exception("Layout of " + node.name + ": unknown character set " + v.items[2]);
  for (std::size_t i = 3; i < v.items.size(); ++i) {
    if (v.items[i] == "Bold") d.weight = FW_BOLD;
    else throw Exception("Layout of " + node.name + ": unknown font style " + v.items[i]);
  }
  return d;
}

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

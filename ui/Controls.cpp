#include "ui/Controls.h"

#include <vector>

#include "platform/Module.h"
#include "platform/Owners.h"
#include "ui/Exceptions.h"
#include "ui/Font.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "ui/Owners.h"
#include "ui/Picture.h"
#include "ui/PixmapPicture.h"
#include "ui/WindowClass.h"

namespace ui {
namespace {

HWND MakeChildWindow(Control& c, const char* className, const char* text, DWORD style, DWORD exStyle,
                     HWND parent) {
  const Bounds b = c.GetBounds();
  return CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, b.left, b.top, b.width,
                         b.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.Id())), platform::Instance(),
                         &c);
}

}  // namespace

// ---- ListBox ----------------------------------------------------------------------------------

ListBox::ListBox(Form* form, Control* parent, const LayoutNode& node) : Control(form, parent, node) {}

WindowHandle ListBox::CreatePlatformWindow(WindowHandle parentWindow) {
  return MakeChildWindow(*this, "LISTBOX", "",
                         WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                         WS_EX_CLIENTEDGE, parentWindow);
}

void ListBox::AddItem(const std::string& text, std::int32_t value) {
  // A row is added whole or not at all: a row without its value, or a value without its row,
  // would shift what every later row stands for.
  form_->HandleNeeded();
  if (!handle_) throw OutOfResources("Cannot add a row to " + name_ + ": it has no window");
  const LRESULT index = SendMessageA(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index < 0) throw OutOfResources("Cannot add a row to " + name_);
  if (SendMessageA(handle_, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(value)) == LB_ERR) {
    SendMessageA(handle_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    throw OutOfResources("Cannot add a row to " + name_);
  }
}

int ListBox::Count() const {
  return handle_ ? static_cast<int>(SendMessageA(handle_, LB_GETCOUNT, 0, 0)) : 0;
}

int ListBox::ItemIndex() const {
  return handle_ ? static_cast<int>(SendMessageA(handle_, LB_GETCURSEL, 0, 0)) : -1;
}

void ListBox::SetItemIndex(int index) {
  form_->HandleNeeded();
  if (ItemIndex() != index) SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::int32_t ListBox::ItemValue(int index) const {
  // The row is checked first: a stored value of -1 is a value like any other, not the list's error.
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return static_cast<std::int32_t>(SendMessageA(handle_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

std::string ListBox::ItemText(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  const LRESULT length = SendMessageA(handle_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
  SendMessageA(handle_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

void ListBox::Notify(int code) {
  if (code == LBN_SELCHANGE && OnClick) OnClick();
  else if (code == LBN_DBLCLK && OnDblClick) OnDblClick();
}

// ---- Button -----------------------------------------------------------------------------------

Button::Button(Form* form, Control* parent, const LayoutNode& node)
    : Control(form, parent, node),
      caption_(node.Text("Caption")),
      default_(node.Flag("Default")),
      cancel_(node.Flag("Cancel")),
      modalResult_(node.Int("ModalResult", 0)) {}

WindowHandle Button::CreatePlatformWindow(WindowHandle parentWindow) {
  return MakeChildWindow(*this, "BUTTON", caption_.c_str(),
                         WS_TABSTOP | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, parentWindow);
}

void Button::Click() {
  form_->SetModalResult(modalResult_);
  if (OnClick) OnClick();
}

void Button::Notify(int code) {
  if (code == BN_CLICKED) Click();
}

// ---- Container --------------------------------------------------------------------------------

namespace {
constexpr char kContainerClass[] = "PathmrContainer";
constexpr int kSoftBevelWidth = 2;
}  // namespace

Container::Container(Form* form, Control* parent, const LayoutNode& node, Frame frame)
    : Control(form, parent, node), frame_(frame) {}

WindowHandle Container::CreatePlatformWindow(WindowHandle parentWindow) {
  EnsureWindowClass(kContainerClass, ControlWindowProc, 0, CS_DBLCLKS,
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  // A control parent: dialog navigation goes on into the controls inside.
  return MakeChildWindow(*this, kContainerClass, "", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parentWindow);
}

std::intptr_t Container::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case WM_COMMAND:
      // Notifications of the controls inside belong to the form.
      return SendMessageA(form_->Handle(), message, wParam, lParam);
    case WM_NCCALCSIZE:
      if (frame_ == Frame::SoftBevel) {
        // The bevel sits outside the client area: the controls inside are placed from its inner edge.
        RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        InflateRect(client, -kSoftBevelWidth, -kSoftBevelWidth);
        return 0;
      }
      break;
    case WM_NCPAINT:
      if (frame_ == Frame::SoftBevel) {
        WindowDc dc(handle_, WindowDc::WholeWindow);
        RECT r;
        GetWindowRect(handle_, &r);
        OffsetRect(&r, -r.left, -r.top);
        DrawEdge(dc.get(), &r, BDR_RAISEDINNER | BDR_SUNKENOUTER, BF_RECT | BF_SOFT);
        return 0;
      }
      break;
    case WM_PAINT:
      Paint();
      return 0;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void Container::Paint() {
  PaintScope paint(handle_);
  HDC dc = paint.dc();
  if (frame_ == Frame::Group) {
    // The frame runs through the middle of the first line of text, as a caption would stand there.
    RECT r{0, ZeroHeight(EffectiveFont().Handle()) / 2 - 1, bounds_.width, bounds_.height};
    DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
  }
  PaintGraphicChildren(dc);
}

// ---- Image ------------------------------------------------------------------------------------

Image::Image(Form* form, Control* parent, const LayoutNode& node)
    : GraphicControl(form, parent, node),
      stretch_(node.Flag("Stretch")),
      proportional_(node.Flag("Proportional")),
      center_(node.Flag("Center")),
      autoSize_(node.Flag("AutoSize")) {
  if (node.Has("Picture")) SetPicture(LoadPixmapPicture(node.Text("Picture")));
}

Image::~Image() = default;

void Image::SetPicture(std::unique_ptr<Picture> picture) {
  Invalidate();
  picture_ = std::move(picture);  // the old one goes first: only one picture's buffers at a time
  SizeToPicture();
  // Decoded here, where the picture is set and the size it is drawn at is known, not in the first
  // paint (a picture prepared for that size elsewhere, as the history dialog's, is kept as it is).
  // Before the layout has sized the control there is no size yet, and the first paint decodes.
  const Bounds d = DestinationRect();
  if (picture_ && d.width > 0 && d.height > 0) picture_->Prepare(d.width, d.height);
  Invalidate();
}

void Image::SizeToPicture() {
  if (autoSize_ && picture_ && !picture_->Empty())
    bounds_ = {bounds_.left, bounds_.top, picture_->Width(), picture_->Height()};
}

void Image::ScaleFromLayout(int numerator, int denominator) {
  Control::ScaleFromLayout(numerator, denominator);
  SizeToPicture();  // a picture's own size does not scale
}

Bounds Image::DestinationRect() const { return picture_ ? DestinationFor(*picture_) : Bounds{0, 0, 0, 0}; }

Bounds Image::DestinationFor(const Picture& picture) const {
  if (picture.Empty()) return {0, 0, 0, 0};
  return FitPicture(picture.Width(), picture.Height(), bounds_.width, bounds_.height, stretch_, proportional_,
                    center_);
}

void Image::PaintOn(HDC__* dc) {
  if (!picture_ || picture_->Empty()) return;
  Bounds d = DestinationRect();
  d.left += bounds_.left;
  d.top += bounds_.top;
  const int saved = SaveDC(dc);
  platform::ScopeExit restore([dc, saved] { RestoreDC(dc, saved); });
  IntersectClipRect(dc, bounds_.left, bounds_.top, bounds_.left + bounds_.width, bounds_.top + bounds_.height);
  picture_->Draw(dc, d);
}

// ---- Label ------------------------------------------------------------------------------------

Label::Label(Form* form, Control* parent, const LayoutNode& node)
    : GraphicControl(form, parent, node), caption_(node.Text("Caption")) {
  if (node.Has("Font")) {
    auto font = std::make_unique<Font>();
    font->SetDescription(FontFromLayout(node));
    SetOwnFont(std::move(font));
  }
  SizeToText();
}

void Label::SizeToText() {
  ScreenDc measure(EffectiveFont().Handle());
  RECT r{0, 0, 0, 0};
  DrawTextA(measure.get(), caption_.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  Invalidate();
  bounds_.width = r.right;
  bounds_.height = r.bottom;
  Invalidate();
}

void Label::SetCaption(const std::string& caption) {
  caption_ = caption;
  SizeToText();
}

void Label::FontChanged() { SizeToText(); }

void Label::ScaleFromLayout(int numerator, int denominator) {
  Control::ScaleFromLayout(numerator, denominator);
  SizeToText();
}

void Label::PaintOn(HDC__* dc) {
  Selection font(dc, EffectiveFont().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT r{bounds_.left, bounds_.top, bounds_.left + bounds_.width, bounds_.top + bounds_.height};
  DrawTextA(dc, caption_.c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace ui

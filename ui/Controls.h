// The kinds of control the dialogs use: list box, push button, panel, group box, image, label.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/Control.h"

namespace ui {

class Picture;

class ListBox : public Control {
 public:
  ListBox(Form* form, Control* parent, const LayoutNode& node);
  // Appends a row with its 32-bit value; the list is not sorted.
  void AddItem(const std::string& text, std::int32_t value);
  int Count() const;
  int ItemIndex() const;  // -1 when no row is selected
  void SetItemIndex(int index);  // an index outside the rows selects nothing
  // The value stored with a row; ListIndexError for a row the list does not have.
  std::int32_t ItemValue(int index) const;
  std::string ItemText(int index) const;  // read by the tests: the row as the list stores it

  std::function<void()> OnClick, OnDblClick;

 protected:
  WindowHandle CreatePlatformWindow(WindowHandle parentWindow) override;
  void Notify(int code) override;
};

class Button : public Control {
 public:
  Button(Form* form, Control* parent, const LayoutNode& node);
  bool IsButtonControl() const override { return true; }
  bool IsDefault() const { return default_; }
  bool IsCancel() const { return cancel_; }
  int ModalResult() const { return modalResult_; }
  // Like a press: hands the form the button's modal result, then runs OnClick.
  void Click();

  std::function<void()> OnClick;

 protected:
  WindowHandle CreatePlatformWindow(WindowHandle parentWindow) override;
  void Notify(int code) override;

 private:
  std::string caption_;
  bool default_, cancel_;
  int modalResult_;
};

// A windowed container that paints its background, an optional frame and its graphic children.
class Container : public Control {
 public:
  enum class Frame { None, SoftBevel, Group };
  Container(Form* form, Control* parent, const LayoutNode& node, Frame frame);
  std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 protected:
  WindowHandle CreatePlatformWindow(WindowHandle parentWindow) override;

 private:
  void Paint();
  Frame frame_;
};

class GraphicControl : public Control {
 public:
  using Control::Control;
  bool IsWindowed() const override { return false; }

 protected:
  WindowHandle CreatePlatformWindow(WindowHandle) override { return nullptr; }
};

// Shows a picture; optionally stretched to fit with its proportions kept, and centred.
class Image : public GraphicControl {
 public:
  Image(Form* form, Control* parent, const LayoutNode& node);
  ~Image() override;
  Picture* GetPicture() const { return picture_.get(); }  // read by the tests: the picture shown
  void SetPicture(std::unique_ptr<Picture> picture);
  // Where the picture is drawn inside the control; or would be, for another picture.
  Bounds DestinationRect() const;
  Bounds DestinationFor(const Picture& picture) const;
  void ScaleFromLayout(int numerator, int denominator) override;

 protected:
  void PaintOn(HDC__* dc) override;

 private:
  void SizeToPicture();
  std::unique_ptr<Picture> picture_;
  bool stretch_, proportional_, center_, autoSize_;
};

class Label : public GraphicControl {
 public:
  Label(Form* form, Control* parent, const LayoutNode& node);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);  // the label takes the size of its new text

 protected:
  void PaintOn(HDC__* dc) override;
  void FontChanged() override;
  void ScaleFromLayout(int numerator, int denominator) override;  // sized to its text, not scaled

 private:
  void SizeToText();
  std::string caption_;
};

}  // namespace ui

// Controls of the windowing layer. A form and its controls are built from a layout (ui/Layout.h);
// each control keeps its layout bounds (already scaled) and makes its platform window on demand.
// Graphic controls (images, labels) have no window of their own: their parent paints them.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Geometry.h"

struct HWND__;
struct HDC__;
struct HFONT__;

namespace ui {

using WindowHandle = HWND__*;
class Form;
class Font;
struct LayoutNode;

class Control {
 public:
  Control(Form* form, Control* parent, const LayoutNode& node);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return children_; }

  // A windowed control has a platform window; graphic controls do not.
  virtual bool IsWindowed() const { return true; }
  // Push buttons and their kin.
  virtual bool IsButtonControl() const { return false; }

  WindowHandle Handle() const { return handle_; }
  Bounds GetBounds() const { return bounds_; }
  void SetBounds(const Bounds& b);
  int TabOrder() const { return tabOrder_; }
  int Id() const { return id_; }

  // The font the control draws with: its own, or else the form's.
  Font& EffectiveFont();
  Font* OwnFont() { return ownFont_.get(); }

  // Repaints now: invalidated with the background erased, then painted before returning.
  void RepaintNow();
  void Invalidate();

  // Bounds from the layout scaled by numerator / denominator: this control and all below it.
  virtual void ScaleFromLayout(int numerator, int denominator);
  // Moves the control's window (and those below it) to the bounds it has now.
  void ApplyBounds();

  // Called by the window procedure when the platform window is made and when it is gone.
  void AttachWindow(WindowHandle window) { handle_ = window; }
  void DetachWindow();
  // Lets go of the handles of this control's window and of all below it without destroying them:
  // they are gone already, or belong to a thread that destroys them.
  void ForgetWindows();

  // A notification (WM_COMMAND code) that the control sent to its parent; the form passes it on.
  virtual void Notify(int code) { (void)code; }

  // Messages of windows whose class the layer registered (forms, containers).
  virtual std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 protected:
  friend void BuildControls(Form* form, Control* parent, const LayoutNode& node);
  // Creates the platform window (and those of the children) below the given parent window.
  virtual void CreateWindowTree(WindowHandle parentWindow);
  virtual WindowHandle CreatePlatformWindow(WindowHandle parentWindow) = 0;
  // Paints a graphic control onto its parent's device context.
  virtual void PaintOn(HDC__* dc) { (void)dc; }
  virtual void FontChanged();
  void ApplyFontToWindow();
  void SetOwnFont(std::unique_ptr<Font> font);
  void AddChild(std::unique_ptr<Control> child) { children_.push_back(std::move(child)); }
  void Realign();
  void PaintGraphicChildren(HDC__* dc);

  Form* form_;
  Control* parent_;
  std::string name_;
  Bounds bounds_;
  Bounds layoutBounds_;  // as the layout gives them, unscaled
  Align align_ = Align::None;
  int tabOrder_ = 0;
  int id_ = 0;
  WindowHandle handle_ = nullptr;
  std::vector<std::unique_ptr<Control>> children_;
  std::unique_ptr<Font> ownFont_;
};

}  // namespace ui

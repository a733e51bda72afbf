// A form: a top-level window built from a layout resource, with its controls, its font, the
// scaling at creation, docking, default and cancel buttons, and the modal loop. Its work is done in
// one unit per job: the window and its messages (Form.cpp), loading the layout (FormLoading.cpp),
// placement and density (FormOnScreen.cpp), the modal loop and its input rules (ModalLoop.cpp).
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/Control.h"
#include "ui/ControlWindows.h"
#include "ui/Exceptions.h"
#include "ui/Font.h"
#include "ui/Owners.h"

namespace ui {

class Button;

// Handlers a form offers to its layout, by the names the layout uses (OnClick = SlideListBoxClick).
struct Handlers {
  std::map<std::string, std::function<void()>> actions;
  std::map<std::string, std::function<void(std::uint16_t key)>> keyActions;
};

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class Form : public Control {
 public:
  ~Form() override;

  Font& GetFont() { return font_; }
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  // The density the form is laid out for, in dots per inch.
  int Density() const { return density_; }

  // The host's window to show the form over. Set before the form's window exists, the window is
  // made with the host's as its parent (a pop-up form is then owned by it); set after, the form's
  // window is moved into it. Shown, a form inside the host's window is centred in its client
  // area, an owned one over the window. A window that could not show the form (hidden,
  // minimised) leaves it top-level, centred on that window's monitor. The form is not shown once
  // that window is gone.
  void SetHostWindow(WindowHandle host);

  // Creates the form's window and its controls (hidden) if they do not exist yet.
  void HandleNeeded();

  // Shows the form and runs a message loop until a modal result is set; returns it. Returns
  // mrNone without showing anything when the host's window is gone.
  int ShowModal();
  void SetModalResult(int result) { modalResult_ = result; }
  // A modal result has been set: the loop ends once the message being handled is done.
  bool ModalEnding() const { return modal_ && modalResult_ != mrNone; }
  // Close box, Alt+F4: ends a modal loop with mrCancel, otherwise hides the form.
  void Close();

  // Lets go of the form's windows without destroying them, for a form whose windows belong to
  // another thread while the library goes away: no message of theirs reaches this module again,
  // and their thread destroys them. The form then destroys no window.
  void Abandon();

  // Looks a control up by its layout name; throws when the layout has none of that kind.
  template <class T>
  T& Find(const std::string& name) {
    T* c = dynamic_cast<T*>(FindControl(name));
    if (!c) throw Exception("The layout of " + Name() + " has no suitable control " + name);
    return *c;
  }
  Control* FindControl(const std::string& name);
  Control* ControlFromWindow(WindowHandle window);
  // The controls' windows, which the controls enter as they make and lose them.
  ControlWindows& Windows() { return windows_; }

  std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 protected:
  Form();  // a bare form; Load builds it from a layout
  // Builds the form from the layout resource of that name: properties, controls, scaling,
  // events; then runs the creation event.
  void Load(const std::string& layoutName, Handlers handlers);
  // source names the layout in messages; a key that no control reads is refused.
  void LoadFromText(const std::string& layoutText, Handlers handlers, const std::string& source = "layout");
  // The form has been laid out again for another density (moved to another monitor) and its
  // window placed: fonts the dialog set up itself are made again for Density().
  virtual void DensityChanged() {}
  // One of the form's windows is about to paint, in the form's modal loop: a last chance to put
  // in what is almost ready.
  virtual void AboutToPaint() {}

 private:
  WindowHandle CreatePlatformWindow(WindowHandle parentWindow) override;
  Button* DefaultButton();
  Button* CancelButton();
  bool OwnsWindow(WindowHandle window) const;
  void FireShortCut(std::uint16_t key);
  // FormLoading.cpp
  void BindEvents(const LayoutNode& node, Control& control, const Handlers& h);
  void LayOut(int dpi);
  // FormOnScreen.cpp
  void ChangeDensity(int dpi, const RECT* suggested);
  void MoveToSuggested(const RECT& suggested, int width, int height);
  void PlaceForShow();
  // ModalLoop.cpp
  void ProcessModalMessage(void* msg);
  void FocusFirstControl();

  std::string caption_;
  std::string className_;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool sizeable_ = true;
  bool centered_ = true;
  int textHeight_ = 13;
  int layoutWidth_ = 0, layoutHeight_ = 0;
  std::unique_ptr<FontDescription> layoutFont_;  // none: the form's font is not the layout's
  int density_ = 96;
  int laidOutText_ = 13, laidOutWidth_ = 0, laidOutHeight_ = 0;  // as laid out for density_
  Font font_;
  WindowHandle parentWindow_ = nullptr;  // made inside this window
  WindowHandle hostWindow_ = nullptr;    // shown inside it, or near it when it cannot hold a child
  bool modal_ = false;
  int modalResult_ = mrNone;
  std::function<void()> onShow_;
  std::function<void(std::uint16_t)> onShortCut_;
  ControlWindows windows_;
  Window window_;  // last: destroyed first, while the rest of the form is still there
};

}  // namespace ui

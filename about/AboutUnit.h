// The product's About box.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "ui/Form.h"

namespace ui {
class Button;
class Container;
class Image;
class Label;
}  // namespace ui
namespace dialogs {
class AltKeyRepaintFix;
}

namespace about {

class TAboutForm : public ui::Form {
 public:
  TAboutForm();
  ~TAboutForm() override;

  ui::Container* GroupBox1 = nullptr;
  ui::Container* Panel2 = nullptr;
  ui::Image* ProductImage = nullptr;
  ui::Label* ProductLabel = nullptr;
  ui::Label* Label2 = nullptr;
  ui::Button* OKButton = nullptr;

  void FormCreate();
  void FormShortCut(std::uint16_t key);
  void FormShow();
  void OKButtonClick();

 protected:
  void DensityChanged() override;

 private:
  void SetUpFonts();
  std::unique_ptr<dialogs::AltKeyRepaintFix> altKeyRepaintFix_;
};

// Shows the About box modally; parentWindow 0 makes it an ordinary top-level dialog.
void ShowAbout(HWND parentWindow);

}  // namespace about

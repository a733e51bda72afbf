#include "about/AboutUnit.h"

#include "dialogs/AltKeyRepaintFix.h"
#include "dialogs/DialogSupport.h"
#include "shared/LibraryHold.h"
#include "shared/Version.h"
#include "ui/Controls.h"

namespace about {

TAboutForm::TAboutForm() {
  ui::Handlers h;
  h.actions["FormCreate"] = [this] { FormCreate(); };
  h.actions["FormShow"] = [this] { FormShow(); };
  h.actions["OKButtonClick"] = [this] { OKButtonClick(); };
  h.keyActions["FormShortCut"] = [this](std::uint16_t key) { FormShortCut(key); };
  // FormCreate needs the label before Load returns, so it looks the label up itself.
  Load("TAboutForm", std::move(h));
  GroupBox1 = &Find<ui::Container>("GroupBox1");
  Panel2 = &Find<ui::Container>("Panel2");
  ProductImage = &Find<ui::Image>("ProductImage");
  ProductLabel = &Find<ui::Label>("ProductLabel");
  Label2 = &Find<ui::Label>("Label2");
  OKButton = &Find<ui::Button>("OKButton");
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FormCreate() {
  Find<ui::Label>("Label2").SetCaption("Version " PATHMR_VERSION);  // the version resource's number
  altKeyRepaintFix_ = std::make_unique<dialogs::AltKeyRepaintFix>(*this);
  altKeyRepaintFix_->SetDelayType(dialogs::dtTimer);
  SetUpFonts();
}

void TAboutForm::SetUpFonts() {
  dialogs::DialogFontSetup(GetFont(), Density());
  // The product name: the icon-title font too, but bold.
  ui::Font& labelFont = *Find<ui::Label>("ProductLabel").OwnFont();
  dialogs::DialogFontSetup(labelFont, Density());
  labelFont.SetBold(true);
}

void TAboutForm::DensityChanged() { SetUpFonts(); }

void TAboutForm::FormShortCut(std::uint16_t key) { altKeyRepaintFix_->KeyDownCheck(*this, key); }

void TAboutForm::FormShow() { dialogs::BringDialogToFront(*this); }

void TAboutForm::OKButtonClick() { Close(); }

void ShowAbout(HWND parentWindow) {
  // A host handler run by the modal loop may free the library: the box's frames must stay mapped.
  shared::LibraryHold hold;
  auto form = std::make_unique<TAboutForm>();
  if (parentWindow) form->SetHostWindow(parentWindow);
  form->ShowModal();
}

}  // namespace about

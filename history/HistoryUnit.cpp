#include "history/HistoryUnit.h"

#include <exception>

#include "about/AboutUnit.h"
#include "dialogs/AltKeyRepaintFix.h"
#include "dialogs/DialogSupport.h"
#include "history/SlideExport.h"
#include "library/SharedUnit.h"
#include "ui/PictureLoader.h"
#include "ui/Controls.h"

namespace history {

THistoryForm::THistoryForm() {
  VariantInit(&presentation_);
  ui::Handlers h;
  h.actions["FormCreate"] = [this] { FormCreate(); };
  h.actions["FormShow"] = [this] { FormShow(); };
  h.actions["SlideListBoxClick"] = [this] { SlideListBoxClick(); };
  h.actions["SlideListBoxDblClick"] = [this] { SlideListBoxDblClick(); };
  h.actions["AboutButtonClick"] = [this] { AboutButtonClick(); };
  h.keyActions["FormShortCut"] = [this](std::uint16_t key) { FormShortCut(key); };
  Load("THistoryForm", std::move(h));
  SlideListBox = &Find<ui::ListBox>("SlideListBox");
  CommandPanel = &Find<ui::Container>("CommandPanel");
  SlideImage = &Find<ui::Image>("SlideImage");
  OKButton = &Find<ui::Button>("OKButton");
  CancelButton = &Find<ui::Button>("CancelButton");
  AboutButton = &Find<ui::Button>("AboutButton");
}

THistoryForm::~THistoryForm() { VariantClear(&presentation_); }

void THistoryForm::SetPresentation(const VARIANT& presentation) {
  VariantClear(&presentation_);
  // A copy in its own right: an interface inside gains a reference, the caller's keeps its own.
  const HRESULT hr = VariantCopy(&presentation_, const_cast<VARIANT*>(&presentation));
  if (FAILED(hr)) throw ui::Exception("Cannot keep the presentation object");
}

void THistoryForm::FormCreate() {
  altKeyRepaintFix_ = std::make_unique<dialogs::AltKeyRepaintFix>(*this);
  altKeyRepaintFix_->SetDelayType(dialogs::dtTimer);
  dialogs::DialogFontSetup(GetFont());
}

void THistoryForm::FormShortCut(std::uint16_t key) { altKeyRepaintFix_->KeyDownCheck(*this, key); }

void THistoryForm::FormShow() { dialogs::BringDialogToFront(*this); }

void THistoryForm::SlideListBoxClick() {
  // A selection change that arrives while the host exports must not start a second export inside
  // the first (whose older picture would then end up on top): it is remembered, and the row
  // selected last is previewed once, after the host has returned.
  if (previewRunning_) {
    previewPending_ = true;
    return;
  }
  previewRunning_ = true;
  struct Done {
    bool& running;
    ~Done() { running = false; }
  } done{previewRunning_};
  std::exception_ptr failure;
  do {
    previewPending_ = false;
    failure = nullptr;  // a failure of a row the presenter has already left is not reported
    try {
      ShowSlidePreview(SlideListBox->ItemIndex());
    } catch (...) {
      failure = std::current_exception();
    }
  } while (previewPending_ && !ModalEnding());  // "Go" or "Cancel" meanwhile: no more exports
  if (failure) std::rethrow_exception(failure);
}

void THistoryForm::SlideListBoxDblClick() {
  // During the host's export the double-click only moves the selection: "Go" is not pressed for
  // a row whose picture has not even been asked for.
  if (previewRunning_) {
    previewPending_ = true;
    return;
  }
  SlideListBoxClick();
  OKButton->Click();
}

void THistoryForm::AboutButtonClick() {
  if (previewRunning_) return;  // no About box inside the host's export
  ShowAboutForm(Handle());
}

void THistoryForm::ShowSlidePreview(int row) {
  const std::int32_t slideIndex = SlideListBox->ItemValue(row);  // no selected row: the list's index error
  const std::string folder = shared::TempFolder();
  if (folder.empty()) return;  // nowhere to put the picture: no preview
  std::string path = folder + shared::NewGuidString() + ".jpg";
  // The picture file is gone again when this returns, loaded or not.
  shared::TemporaryFiles files(folder);
  files.Add(path);
  try {
    ExportSlide(presentation_, slideIndex, path);
  } catch (...) {
    // The host's own failures are not the presenter's: loading then reports the missing file.
  }
  files.Add(path);  // the host may have named another file
  SlideImage->SetPicture(ui::LoadPictureFromFile(path));
}

// ---- the request ------------------------------------------------------------------------------

namespace {

// The one open request: filled by AddSlideHistory, taken out by ShowSlideHistory.
THistoryForm* g_request = nullptr;
// True while ShowSlideHistory runs its dialog; the exports then leave everything alone.
bool g_showing = false;

void ReplaceRequest(THistoryForm* next) {
  THistoryForm* old = g_request;
  g_request = next;
  delete old;
}

}  // namespace

void DropHistoryRequest() { ReplaceRequest(nullptr); }

namespace {

void Initialize(const VARIANT& presentation) {
  if (g_showing) return;
  ReplaceRequest(nullptr);
  auto form = std::make_unique<THistoryForm>();
  form->SetPresentation(presentation);
  g_request = form.release();
}

void Add(std::int32_t slideIndex, const char* caption) {
  if (g_showing || !g_request) return;
  g_request->SlideListBox->AddItem(caption ? caption : "", slideIndex);
}

std::int32_t Show(HWND parentWindow, std::int32_t currentPosition) {
  if (g_showing || !g_request) return 0;
  // The request ends here, whatever happens next.
  std::unique_ptr<THistoryForm> form(g_request);
  g_request = nullptr;
  g_showing = true;
  struct ShowingEnd {
    ~ShowingEnd() { g_showing = false; }
  } showingEnd;

  if (parentWindow) {
    form->HandleNeeded();
    SetParent(form->Handle(), parentWindow);
  }
  if (form->SlideListBox->Count() > 0) {
    try {
      form->SlideListBox->SetItemIndex(currentPosition - 1);
      form->SlideListBoxClick();
    } catch (...) {
      // Outside the modal loop no error box can be shown: the dialog opens with nothing selected
      // (a position outside the list) or without a picture.
    }
  }
  if (form->ShowModal() != ui::mrOk) return 0;
  return form->SlideListBox->ItemIndex() + 1;  // no selected row (-1) gives 0
}

}  // namespace
}  // namespace history

// The exports report no errors, and no exception may leave them.

void __stdcall InitializeSlideHistory(VARIANT presentation) {
  try {
    history::Initialize(presentation);
  } catch (...) {
  }
}

void __stdcall AddSlideHistory(std::int32_t slideIndex, const char* caption) {
  try {
    history::Add(slideIndex, caption);
  } catch (...) {
  }
}

std::int32_t __stdcall ShowSlideHistory(HWND parentWindow, std::int32_t currentPosition) {
  try {
    return history::Show(parentWindow, currentPosition);
  } catch (...) {
    return 0;
  }
}

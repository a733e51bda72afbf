#include "history/HistoryForm.h"

#include <exception>

#include "about/AboutUnit.h"
#include "dialogs/AltKeyRepaintFix.h"
#include "dialogs/DialogSupport.h"
#include "history/SlideExport.h"
#include "platform/DebugOutput.h"
#include "platform/Owners.h"
#include "shared/SharedUnit.h"
#include "shared/ThreadRecord.h"
#include "ui/BackgroundWorker.h"
#include "ui/Controls.h"
#include "ui/Exceptions.h"
#include "ui/Picture.h"
#include "ui/PictureLoader.h"

namespace history {

THistoryForm::THistoryForm() {
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

THistoryForm::~THistoryForm() { StopDecoding(); }  // decoder_, which goes next, ends its thread

void THistoryForm::SetPresentation(const VARIANT& presentation) {
  presentation_.Clear();
  // A VARIANT that points at a VARIANT is followed to the one it points at (a few levels at most:
  // a host could make a cycle).
  const VARIANT* source = &presentation;
  for (int depth = 0; depth < 8 && source && source->vt == (VT_VARIANT | VT_BYREF); ++depth) source = source->pvarVal;
  if (!source || ((source->vt & VT_BYREF) && !source->byref)) return;
  // A copy in its own right, with the reference resolved: an interface inside gains a reference
  // of ours, the caller's keeps its own, and nothing of the caller's is looked at again.
  if (FAILED(VariantCopyInd(presentation_.get(), const_cast<VARIANT*>(source)))) presentation_.Abandon();
}

void THistoryForm::AbandonPresentation() { presentation_.Abandon(); }

void THistoryForm::FormCreate() {
  altKeyRepaintFix_ = std::make_unique<dialogs::AltKeyRepaintFix>(*this);
  altKeyRepaintFix_->SetDelayType(dialogs::dtTimer);
  dialogs::DialogFontSetup(GetFont(), Density());
}

void THistoryForm::DensityChanged() {
  dialogs::DialogFontSetup(GetFont(), Density());
  // The picture was decoded for the old size: the host exports the selected slide once more, so
  // that it is shown sharp at the new one.
  if (SlideListBox->ItemIndex() >= 0) SlideListBoxClick();
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
  platform::ScopeExit done([this] { previewRunning_ = false; });
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
  // The host's export may have run the message loop: "Cancel", the close box or a destroyed
  // parent may have ended the dialog meanwhile, and that ending stands.
  if (ModalEnding() || !Handle()) return;
  OKButton->Click();
}

void THistoryForm::AboutButtonClick() {
  if (previewRunning_) return;  // no About box inside the host's export
  try {
    about::ShowAbout(Handle());
  } catch (...) {
    // As from its export: the About box reports nothing, and the history dialog stays.
    platform::WriteCurrentException("About button");
  }
}

void THistoryForm::ShowSlidePreview(int row) {
  StopDecoding();  // the row before is left: its picture is never shown
  const std::int32_t slideIndex = SlideListBox->ItemValue(row);  // no selected row: the list's index error
  const std::wstring folder = shared::TempFolder();
  if (folder.empty()) return;  // nowhere to put the picture: no preview
  std::wstring path = folder + shared::NewGuidString() + L".jpg";
  // The picture file is gone again when this returns, loaded or not.
  shared::TemporaryFiles files(folder);
  files.Add(path);
  try {
    ExportSlide(*presentation_, slideIndex, path);
  } catch (...) {
    // The host's own failures are not the presenter's: loading then reports the missing file.
    platform::WriteCurrentException("slide export");
  }
  files.Add(path);  // the host may have named another file, also when it then reported a failure
  ShowPicture(ui::LoadPictureFromFile(path));
}

namespace {
// A picture this small decodes within a frame: the paint after its start waits for it, so that the
// presenter sees no blank flash.
constexpr long long kPixelsWithinAFrame = 2'100'000;
constexpr unsigned kFrameMsec = 16;
constexpr UINT kDecodeEnded = WM_APP + 1;
}  // namespace

// The host's calls, the file's loading and its deletion stay on the dialog's thread, in order; only
// the pixels are decoded on a thread of the library's own (one per dialog), at the size they are
// drawn at, so that the dialog shows, paints and takes input meanwhile. The preview stays empty
// until the picture lands. A new selection, and the form's end (every way the dialog ends, an
// unload included), cancel the decode and wait for it: when ShowSlideHistory returns, no thread of
// the library runs.
void THistoryForm::ShowPicture(std::unique_ptr<ui::Picture> picture) {
  const ui::Bounds size = picture ? SlideImage->DestinationFor(*picture) : ui::Bounds{};
  if (!picture || !picture->PreparesSlowly() || size.width <= 0 || size.height <= 0) {
    SlideImage->SetPicture(std::move(picture));
    return;
  }
  SlideImage->SetPicture(nullptr);  // no other row's picture beside this one
  decoding_ = std::move(picture);
  ui::Picture* const decoding = decoding_.get();
  try {
    if (!decoder_) decoder_ = std::make_unique<ui::BackgroundWorker>(Handle(), kDecodeEnded);
    decoder_->Start(
        [decoding, size](const std::atomic<bool>& cancelled) {
          decoding->Prepare(size.width, size.height, &cancelled);  // keeps its failure for the paint
          shared::GiveBackThreadRecord();
        },
        [this] { LandDecodedPicture(); });
  } catch (const ui::Exception&) {
    SlideImage->SetPicture(std::move(decoding_));  // no thread for the decode: decoded here, as before
    return;
  }
  const long long pixels = static_cast<long long>(decoding->Width()) * decoding->Height();
  waitAtPaint_ = pixels <= kPixelsWithinAFrame;
}

void THistoryForm::AboutToPaint() {
  if (!waitAtPaint_ || !decoding_) return;
  waitAtPaint_ = false;
  if (decoder_->WaitUntilRunFor(kFrameMsec)) LandDecodedPicture();
}

std::intptr_t THistoryForm::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message != kDecodeEnded) return Form::HandleMessage(message, wParam, lParam);
  if (decoder_) decoder_->Ended(wParam);
  return 0;
}

void THistoryForm::LandDecodedPicture() {
  decoder_->Cancel();  // done already: only its end, still to come from the loop, is let go
  waitAtPaint_ = false;
  // Decoded already; a picture that failed raises in the paint, where the error box shows it.
  if (decoding_) SlideImage->SetPicture(std::move(decoding_));
}

void THistoryForm::StopDecoding() {
  if (decoder_) decoder_->Cancel();
  decoding_.reset();
  waitAtPaint_ = false;
}

}  // namespace history

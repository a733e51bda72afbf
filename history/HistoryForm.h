// The slide-show history's dialog.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <memory>

#include "platform/Owners.h"
#include "ui/Form.h"

namespace ui {
class BackgroundWorker;
class ListBox;
class Picture;
class Container;
class Image;
class Button;
}  // namespace ui
namespace dialogs {
class AltKeyRepaintFix;
}

namespace history {

// The modal "Slide Show History" dialog: the visited slides, a picture of the selected one,
// "Go", "Cancel" and "About...".
class THistoryForm : public ui::Form {
 public:
  THistoryForm();
  ~THistoryForm() override;

  // The host's presentation object; the form holds its own copy, released with the form. A
  // VARIANT by reference is followed here, once: the add-in's variable may be gone before the
  // first preview. One that cannot be copied leaves the form without an object (every preview
  // then fails in its automation calls, which are silent).
  void SetPresentation(const VARIANT& presentation);
  // Lets go of the presentation object without calling it (its Release runs host code that may
  // not run on this thread or at this moment).
  void AbandonPresentation();

  ui::ListBox* SlideListBox = nullptr;
  ui::Container* CommandPanel = nullptr;
  ui::Image* SlideImage = nullptr;
  ui::Button* OKButton = nullptr;
  ui::Button* CancelButton = nullptr;
  ui::Button* AboutButton = nullptr;

  std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // Event handlers, bound by name in the layout.
  void FormCreate();
  void FormShortCut(std::uint16_t key);
  void FormShow();
  void SlideListBoxClick();
  void SlideListBoxDblClick();
  void AboutButtonClick();

 protected:
  void DensityChanged() override;
  void AboutToPaint() override;

 private:
  // Asks the host for a picture of the row's slide and shows it in SlideImage.
  void ShowSlidePreview(int row);
  // Shows a loaded picture once it is decoded for SlideImage's size; the decode runs beside.
  void ShowPicture(std::unique_ptr<ui::Picture> picture);
  void LandDecodedPicture();
  void StopDecoding();

  platform::Variant presentation_;
  // The host may dispatch messages while it exports (a progress window, a call into another
  // process): the dialog's own input then arrives inside the preview.
  bool previewRunning_ = false;
  bool previewPending_ = false;  // the selection changed while the preview ran
  std::unique_ptr<dialogs::AltKeyRepaintFix> altKeyRepaintFix_;
  // The selected row's picture while it decodes, and the thread that decodes it, which goes first.
  std::unique_ptr<ui::Picture> decoding_;
  std::unique_ptr<ui::BackgroundWorker> decoder_;
  bool waitAtPaint_ = false;  // the next paint waits for a small picture's decode, up to a frame
};

}  // namespace history

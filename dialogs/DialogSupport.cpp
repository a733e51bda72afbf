#include "dialogs/DialogSupport.h"

#include <windows.h>

#include "ui/Density.h"
#include "ui/Font.h"
#include "ui/Form.h"

namespace dialogs {

bool SystemIconTitleFont(void* logFont, int dpi) {
  static_assert(sizeof(LOGFONTA) == 60, "the icon-title font query fills 60 bytes");
  return ui::IconTitleFont(*static_cast<LOGFONTA*>(logFont), dpi);
}

void DialogFontSetup(ui::Font& font, int dpi, IconTitleFontQuery query) {
  LOGFONTA lf{};
  if (query(&lf, dpi)) {
    // If the font cannot be made, the font object keeps the description it had.
    if (HFONT made = CreateFontIndirectA(&lf)) font.UseHandle(made, true);
  } else {
    font.UseHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), false);
  }
}

void BringDialogToFront(ui::Form& dialog) {
  dialog.HandleNeeded();
  SetWindowPos(dialog.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(dialog.Handle());
}

}  // namespace dialogs

// What every dialog does on creation and on showing.
#pragma once

namespace ui {
class Font;
class Form;
}  // namespace ui

namespace dialogs {

// Fills a 60-byte LOGFONTA with the icon-title font at a density (0: the system's); false when
// the system cannot tell.
using IconTitleFontQuery = bool (*)(void* logFont, int dpi);
bool SystemIconTitleFont(void* logFont, int dpi);

// Makes the font the system's icon-title font at the dialog's density (0: the system's); when the
// system cannot tell, the default GUI font. Controls that take the dialog's font follow at once.
void DialogFontSetup(ui::Font& font, int dpi = 0, IconTitleFontQuery query = SystemIconTitleFont);

// Top of the z-order and foreground window; position, size and visibility unchanged.
void BringDialogToFront(ui::Form& dialog);

}  // namespace dialogs

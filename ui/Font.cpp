#include "ui/Font.h"

#include <windows.h>

#include <cstring>

#include "ui/Exceptions.h"

namespace ui {

bool FontDescription::operator==(const FontDescription& o) const {
  return face == o.face && height == o.height && weight == o.weight && charset == o.charset &&
         pitchAndFamily == o.pitchAndFamily && italic == o.italic && underline == o.underline &&
         strikeOut == o.strikeOut;
}

Font::~Font() { Release(); }

void Font::Release() {
  if (handle_ && owned_) DeleteObject(handle_);
  handle_ = nullptr;
  owned_ = false;
}

void Font::Changed() {
  if (OnChange) OnChange();
}

void Font::SetDescription(const FontDescription& desc) {
  if (desc == desc_ && handle_) return;
  // The controls still hold the old font until OnChange hands them the new one, so it is
  // released only after that.
  HFONT old = handle_;
  const bool oldOwned = owned_;
  desc_ = desc;
  handle_ = nullptr;
  owned_ = false;
  Changed();
  if (old && oldOwned) DeleteObject(old);
}

void Font::SetHeight(int height) {
  FontDescription d = desc_;
  d.height = height;
  SetDescription(d);
}

void Font::SetBold(bool bold) {
  FontDescription d = desc_;
  d.weight = bold ? FW_BOLD : FW_NORMAL;
  SetDescription(d);
}

void Font::UseHandle(HFONT__* handle, bool owned) {
  LOGFONTA lf{};
  if (!handle || GetObjectA(handle, sizeof lf, &lf) == 0) {
    if (handle && owned) DeleteObject(handle);
    return;
  }
  HFONT old = handle_;
  const bool oldOwned = owned_;
  desc_.face = lf.lfFaceName;
  desc_.height = lf.lfHeight;
  desc_.weight = lf.lfWeight >= FW_BOLD ? FW_BOLD : FW_NORMAL;
  desc_.charset = lf.lfCharSet;
  desc_.pitchAndFamily = lf.lfPitchAndFamily;
  desc_.italic = lf.lfItalic != 0;
  desc_.underline = lf.lfUnderline != 0;
  desc_.strikeOut = lf.lfStrikeOut != 0;
  handle_ = handle;
  owned_ = owned;
  Changed();
  if (old && oldOwned && old != handle) DeleteObject(old);
}

HFONT__* Font::Handle() {
  if (handle_) return handle_;
  LOGFONTA lf{};
  lf.lfHeight = desc_.height;
  lf.lfWeight = desc_.weight;
  lf.lfItalic = desc_.italic;
  lf.lfUnderline = desc_.underline;
  lf.lfStrikeOut = desc_.strikeOut;
  lf.lfCharSet = desc_.charset;
  lf.lfPitchAndFamily = desc_.pitchAndFamily;
  lf.lfQuality = DEFAULT_QUALITY;
  std::strncpy(lf.lfFaceName, desc_.face.c_str(), LF_FACESIZE - 1);
  handle_ = CreateFontIndirectA(&lf);
  if (!handle_) throw OutOfResources("Cannot create the font \"" + desc_.face + "\"");
  owned_ = true;
  return handle_;
}

}  // namespace ui

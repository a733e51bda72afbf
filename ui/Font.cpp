#include "ui/Font.h"

#include <windows.h>

#include <cstring>

#include "ui/Exceptions.h"
#include "ui/Layout.h"
#include "ui/TextLines.h"

namespace ui {

bool FontDescription::operator==(const FontDescription& o) const {
  return face == o.face && height == o.height && weight == o.weight && charset == o.charset &&
         pitchAndFamily == o.pitchAndFamily && italic == o.italic && underline == o.underline &&
         strikeOut == o.strikeOut;
}

int ZeroHeight(HFONT font) {
  ScreenDc dc(font);
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), "0", 1, &size);
  return size.cy;
}

void Font::Replace(HFONT handle, GdiObject<HFONT> owned) {
  GdiObject<HFONT> old = std::move(owned_);
  handle_ = handle;
  owned_ = std::move(owned);
  if (OnChange) OnChange();
}

void Font::SetDescription(const FontDescription& desc) {
  if (desc == desc_ && handle_) return;
  desc_ = desc;
  Replace(nullptr, GdiObject<HFONT>());
}

void Font::SetBold(bool bold) {
  FontDescription d = desc_;
  d.weight = bold ? FW_BOLD : FW_NORMAL;
  SetDescription(d);
}

void Font::UseHandle(HFONT__* handle, bool owned) {
  // The one it holds already, handed over again: kept, not given back.
  GdiObject<HFONT> taken(owned && handle != owned_.get() ? handle : nullptr);
  LOGFONTA lf{};
  if (!handle || GetObjectA(handle, sizeof lf, &lf) == 0) return;
  desc_.face = lf.lfFaceName;
  desc_.height = lf.lfHeight;
  desc_.weight = lf.lfWeight >= FW_BOLD ? FW_BOLD : FW_NORMAL;
  desc_.charset = lf.lfCharSet;
  desc_.pitchAndFamily = lf.lfPitchAndFamily;
  desc_.italic = lf.lfItalic != 0;
  desc_.underline = lf.lfUnderline != 0;
  desc_.strikeOut = lf.lfStrikeOut != 0;
  if (handle == owned_.get()) {
    if (OnChange) OnChange();
    return;
  }
  Replace(handle, std::move(taken));
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
  GdiObject<HFONT> made(CreateFontIndirectA(&lf));
  if (!made) throw OutOfResources("Cannot create the font \"" + desc_.face + "\"");
  handle_ = made.get();
  owned_ = std::move(made);
  return handle_;
}

FontDescription FontFromLayout(const LayoutNode& node) {
  const LayoutValue& v = node.Value("Font");
  if (v.items.size() < 3) throw Exception("Layout of " + node.name + ": Font needs face, height, character set");
  FontDescription d;
  d.face = v.items[0];
  if (!ParseInt(v.items[1], d.height)) throw Exception("Layout of " + node.name + ": font height is not a number");
  if (v.items[2] == "Default") d.charset = DEFAULT_CHARSET;
  else if (v.items[2] == "ANSI") d.charset = ANSI_CHARSET;
  else throw Exception("Layout of " + node.name + ": unknown character set " + v.items[2]);
  for (std::size_t i = 3; i < v.items.size(); ++i) {
    if (v.items[i] == "Bold") d.weight = FW_BOLD;
    else throw Exception("Layout of " + node.name + ": unknown font style " + v.items[i]);
  }
  return d;
}


}  // namespace ui

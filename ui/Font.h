// A font object: a description plus the platform font made from it. It may instead be told to use
// a given platform font, from which it then takes its description; a later change of one attribute
// derives a new font from that description. A font it created is released when no longer used;
// a stock font never is.
#pragma once
#include <functional>
#include <string>

#include "ui/Owners.h"

namespace ui {

struct FontDescription {
  std::string face = "Tahoma";
  int height = -11;  // negative: character height in pixels
  int weight = 400;
  unsigned char charset = 1;  // DEFAULT_CHARSET
  unsigned char pitchAndFamily = 0;
  bool italic = false, underline = false, strikeOut = false;
  bool operator==(const FontDescription& o) const;
};

// Height of the text "0" in a font: the measure the layouts were made with.
int ZeroHeight(HFONT font);

struct LayoutNode;
// Reads a layout's Font property: face, height, character set (Default or ANSI), optional Bold.
FontDescription FontFromLayout(const LayoutNode& node);

class Font {
 public:
  Font() = default;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Description and Bold are read by the tests: the font a dialog asked for.
  const FontDescription& Description() const { return desc_; }
  void SetDescription(const FontDescription& desc);
  void SetBold(bool bold);
  bool Bold() const { return desc_.weight >= 700; }

  // Makes the object use this platform font. owned: release it when no longer used.
  void UseHandle(HFONT handle, bool owned);
  HFONT Handle();  // created from the description when needed

  std::function<void()> OnChange;

 private:
  // Uses another platform font (none: made from the description when needed). The controls hold
  // the old one until OnChange hands them the new one, so the old is given back only after that.
  void Replace(HFONT handle, GdiObject<HFONT> owned);
  FontDescription desc_;
  HFONT handle_ = nullptr;  // in use: owned_, or a stock font that is never given back
  GdiObject<HFONT> owned_;
};

}  // namespace ui

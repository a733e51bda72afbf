// A font object: a description plus the platform font made from it. It may instead be told to use
// a given platform font, from which it then takes its description; a later change of one attribute
// derives a new font from that description. A font it created is released when no longer used;
// a stock font never is.
#pragma once
#include <functional>
#include <string>

struct HFONT__;

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

struct LayoutNode;
// Reads a layout's Font property: face, height, character set (Default or ANSI), optional Bold.
FontDescription FontFromLayout(const LayoutNode& node);

class Font {
 public:
  Font() = default;
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const FontDescription& Description() const { return desc_; }
  void SetDescription(const FontDescription& desc);
  void SetHeight(int height);
  void SetBold(bool bold);
  bool Bold() const { return desc_.weight >= 700; }

  // Makes the object use this platform font. owned: release it when no longer used.
  void UseHandle(HFONT__* handle, bool owned);
  HFONT__* Handle();  // created from the description when needed

  std::function<void()> OnChange;

 private:
  void Release();
  void Changed();
  FontDescription desc_;
  HFONT__* handle_ = nullptr;
  bool owned_ = false;
};

}  // namespace ui

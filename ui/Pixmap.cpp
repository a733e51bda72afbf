#include "ui/Pixmap.h"

#include <map>

#include "ui/Exceptions.h"
#include "ui/TextLines.h"

namespace ui {
namespace {

[[noreturn]] void Fail(int line, const std::string& what) {
  throw Exception("Pixmap line " + std::to_string(line) + ": " + what);
}

std::uint32_t ParseColour(const std::string& s, int line) {
  if (s == "none") return 0;
  if (s.size() != 7 || s[0] != '#') Fail(line, "a colour is #RRGGBB or none");
  std::uint32_t rgb = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    const char c = s[i];
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else Fail(line, "a colour is #RRGGBB or none");
    rgb = rgb * 16 + static_cast<std::uint32_t>(v);
  }
  return 0xFF000000u | rgb;
}

}  // namespace

Pixmap ParsePixmap(const std::string& text) {
  Pixmap p;
  std::map<char, std::uint32_t> palette;
  int line = 0;
  bool inPixels = false;
  int rows = 0;
  for (const std::string& raw : SplitLines(text)) {
    ++line;
    if (inPixels) {
      if (rows == p.height) {
        if (raw.find_first_not_of(" \t") == std::string::npos) continue;
        Fail(line, "more rows than the size says");
      }
      if (static_cast<int>(raw.size()) != p.width) Fail(line, "row is not " + std::to_string(p.width) + " wide");
      for (char c : raw) {
        const auto it = palette.find(c);
        if (it == palette.end()) Fail(line, std::string("no colour for '") + c + "'");
        p.pixels.push_back(it->second);
      }
      ++rows;
      continue;
    }
    if (raw.empty() || raw[0] == '#') continue;
    const std::vector<std::string> words = SplitWords(raw);
    const std::string word = words.empty() ? "" : words[0];
    if (word == "size") {
      if (words.size() != 3 || !ParseInt(words[1], p.width) || !ParseInt(words[2], p.height) || p.width <= 0 ||
          p.height <= 0 || p.width > 256 || p.height > 256)
        Fail(line, "size needs a width and a height from 1 to 256");
    } else if (word == "colour") {
      if (words.size() != 3 || words[1].size() != 1) Fail(line, "colour needs one character and a colour");
      palette[words[1][0]] = ParseColour(words[2], line);
    } else if (word == "pixels") {
      if (p.width == 0) Fail(line, "pixels before size");
      inPixels = true;
    } else {
      Fail(line, "unknown line");
    }
  }
  if (!inPixels || rows != p.height) Fail(line, "fewer rows than the size says");
  return p;
}

}  // namespace ui

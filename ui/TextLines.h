// Splitting of the layout and pixmap texts. Plain string work on purpose: string streams would
// set up the C++ runtime's locale, which the runtime never gives back when the library unloads.
#pragma once
#include <string>
#include <vector>

namespace ui {

// Lines without their line breaks ("\n" or "\r\n").
std::vector<std::string> SplitLines(const std::string& text);
// Words separated by spaces or tabs.
std::vector<std::string> SplitWords(const std::string& line);
// A whole decimal integer; false for anything else (or out of the int range).
bool ParseInt(const std::string& text, int& value);

}  // namespace ui

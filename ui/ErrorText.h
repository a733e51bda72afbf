// Text rules of the standard error box; no platform calls, so they are easy to test.
#pragma once
#include <string>

namespace ui {

// Appends a full stop when the last character sorts after '.' (so not after ')' or a quote).
std::string WithFullStop(std::string message);

// The box's caption: the host executable's file name without its folder, cut at its first
// full stop, every character after the first in lower case.
std::string ErrorBoxCaption(const std::string& executablePath);

}  // namespace ui

// Loads a picture file with the format registered for its extension.
#pragma once
#include <memory>
#include <string>

#include "ui/Picture.h"

namespace ui {

// Throws ui::Exception: "Cannot open file "<path>". <system text>" when the file cannot be
// opened, "Unknown picture file extension (.<ext>)" when no format has its extension, or what
// the format's reader raises.
std::unique_ptr<Picture> LoadPictureFromFile(const std::string& path);
// The same by the file's wide name, which may hold any character and exceed MAX_PATH; the
// messages spell it in the ANSI code page.
std::unique_ptr<Picture> LoadPictureFromFile(const std::wstring& path);

}  // namespace ui

// A picture made from a pixmap resource of the module; its transparent pixels are not drawn.
#pragma once
#include <memory>
#include <string>

#include "ui/Picture.h"

namespace ui {

std::unique_ptr<Picture> LoadPixmapPicture(const std::string& resourceName);

}  // namespace ui

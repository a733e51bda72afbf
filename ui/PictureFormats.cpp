#include "ui/PictureFormats.h"

#include <algorithm>

namespace ui {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

void PictureFormats::Register(const std::string& extension, const void* pictureClass, PictureFactory make) {
  formats_.insert(formats_.begin(), PictureFormat{Lower(extension), pictureClass, std::move(make)});
}

void PictureFormats::Unregister(const void* pictureClass) {
  formats_.erase(std::remove_if(formats_.begin(), formats_.end(),
                                [&](const PictureFormat& f) { return f.pictureClass == pictureClass; }),
                 formats_.end());
}

const PictureFormat* PictureFormats::Find(const std::string& extension) const {
  const std::string key = Lower(extension);
  for (const auto& f : formats_)
    if (f.extension == key) return &f;
  return nullptr;
}

PictureFormats& RegisteredPictureFormats() {
  static PictureFormats formats;
  return formats;
}

std::string FileExtension(const std::string& path) {
  const auto slash = path.find_last_of("\\/:");
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(path.substr(dot + 1));
}

}  // namespace ui

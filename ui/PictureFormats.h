// The picture loader's registry of picture formats by file extension. No platform calls.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Picture;

// Makes a picture from a file's whole contents.
using PictureFactory = std::function<std::unique_ptr<Picture>(std::vector<std::uint8_t> contents)>;

struct PictureFormat {
  std::string extension;  // lower case, without the dot
  const void* pictureClass;  // identifies the class, for unregistering
  PictureFactory make;
};

class PictureFormats {
 public:
  // The most recently registered format for an extension is found first.
  void Register(const std::string& extension, const void* pictureClass, PictureFactory make);
  // Removes every registration of that class.
  void Unregister(const void* pictureClass);
  // Case-insensitive; nullptr when no format has that extension.
  const PictureFormat* Find(const std::string& extension) const;
  std::size_t Count() const { return formats_.size(); }

 private:
  std::vector<PictureFormat> formats_;  // most recent first
};

// The one registry the picture loader consults.
PictureFormats& RegisteredPictureFormats();

// Lower case of the part after the last dot of a file name's last component ("" if none).
std::string FileExtension(const std::string& path);

}  // namespace ui

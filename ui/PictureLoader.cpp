#include "ui/PictureLoader.h"

#include <windows.h>

#include <vector>

#include "platform/AnsiText.h"
#include "platform/FilePath.h"
#include "platform/Owners.h"
#include "ui/Exceptions.h"
#include "ui/PictureFormats.h"

namespace ui {
namespace {

// The system's text for an error, without the trailing line break and full stop.
std::string SystemErrorText(DWORD code) {
  char* buffer = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : "";
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
  return text;
}


}  // namespace

std::unique_ptr<Picture> LoadPictureFromFile(const std::string& path) { return LoadPictureFromFile(platform::WideFromAnsi(path)); }

std::unique_ptr<Picture> LoadPictureFromFile(const std::wstring& widePath) {
  const std::string path = platform::AnsiFromWide(widePath);
  const std::string extension = FileExtension(path);
  const PictureFormat* format = RegisteredPictureFormats().Find(extension);
  if (!format) throw Exception("Unknown picture file extension (." + extension + ")");
  platform::KernelHandle file(CreateFileW(platform::ExtendedLengthPath(widePath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid())
    throw Exception("Cannot open file \"" + path + "\". " + SystemErrorText(GetLastError()));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) throw Exception("Cannot read file \"" + path + "\". " + SystemErrorText(GetLastError()));
  // A picture file beyond this is no slide picture; the host's 32-bit address space has to hold it
  // beside the decoder's own buffers.
  constexpr LONGLONG kMaxFile = 64LL * 1024 * 1024;
  if (size.QuadPart > kMaxFile) throw Exception("Picture file too large: \"" + path + "\"");
  std::vector<std::uint8_t> contents(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!contents.empty() &&
      (!ReadFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &read, nullptr) ||
       read != contents.size()))
    throw Exception("Cannot read file \"" + path + "\". " + SystemErrorText(GetLastError()));
  return format->make(std::move(contents));
}

}  // namespace ui

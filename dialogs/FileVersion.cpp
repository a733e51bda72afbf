#include "dialogs/FileVersion.h"

#include <cstdint>
#include <cstring>

namespace dialogs {

int FileVersionMajor(const void* resource, std::size_t size) {
  // VS_VERSIONINFO: three 16-bit words (lengths, type), the key L"VS_VERSION_INFO" with its
  // terminator, padding to a multiple of four bytes, then VS_FIXEDFILEINFO (signature, structure
  // version, then the file version's high double word: major and minor).
  static const char16_t kKey[] = u"VS_VERSION_INFO";
  constexpr std::size_t kKeyAt = 6, kValueAt = (kKeyAt + sizeof kKey + 3) / 4 * 4, kFixedSize = 52;
  const auto* bytes = static_cast<const unsigned char*>(resource);
  if (!bytes || size < kValueAt + kFixedSize) return 0;
  auto word = [bytes](std::size_t at) { return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8); };
  auto dword = [&word](std::size_t at) { return static_cast<std::uint32_t>(word(at) | word(at + 2) << 16); };
  if (word(0) > size || word(0) < kValueAt + kFixedSize || word(2) < kFixedSize) return 0;
  for (std::size_t i = 0; i < sizeof kKey / 2; ++i)
    if (word(kKeyAt + 2 * i) != kKey[i]) return 0;
  if (dword(kValueAt) != 0xFEEF04BD) return 0;
  return static_cast<int>(dword(kValueAt + 8) >> 16);
}

}  // namespace dialogs

#include "platform/FilePath.h"

namespace platform {
namespace {

bool EndsWith(const std::wstring& s, const wchar_t* tail) {
  const std::wstring t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

bool HasDotComponent(const std::wstring& path) {
  return path.find(L"\\.\\") != std::wstring::npos || path.find(L"\\..\\") != std::wstring::npos ||
         EndsWith(path, L"\\.") || EndsWith(path, L"\\..");
}

}  // namespace

std::wstring ExtendedLengthPath(const std::wstring& path) {
  // MAX_PATH, including the terminating NUL; a folder path must leave room for an 8.3 name.
  constexpr std::size_t kOrdinaryLength = 260 - 12;
  if (path.size() < kOrdinaryLength) return path;
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.find(L'/') != std::wstring::npos || HasDotComponent(path)) return path;
  const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
                     ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
  if (drive) return L"\\\\?\\" + path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

}  // namespace platform

#include "shared/SharedUnit.h"

#include <windows.h>
#include <objbase.h>

#include <stdexcept>
#include <vector>

#include "platform/FilePath.h"
#include "platform/Owners.h"

namespace shared {

std::wstring WithTrailingBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring TempFolder() {
  constexpr DWORD kBuffer = 4096;
  std::vector<wchar_t> buffer(kBuffer);
  const DWORD length = GetTempPathW(kBuffer, buffer.data());
  if (length == 0 || length >= kBuffer) return L"";
  return WithTrailingBackslash(std::wstring(buffer.data(), length));
}

std::wstring NewGuidString() {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) throw std::runtime_error("Cannot create a GUID");
  LPOLESTR text = nullptr;
  if (FAILED(StringFromCLSID(guid, &text)) || !text) throw std::runtime_error("Cannot format a GUID");
  platform::ScopeExit freeText([text] { CoTaskMemFree(text); });
  return text;
}

bool IsFileInFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path.data(), static_cast<int>(folder.size()), folder.data(),
                     static_cast<int>(folder.size())) != CSTR_EQUAL)
    return false;
  const std::wstring name = path.substr(folder.size());
  return name.find_first_of(L"\\/:") == std::wstring::npos && name != L"." && name != L"..";
}

void TemporaryFiles::Add(const std::wstring& path) {
  if (!IsFileInFolder(path, folder_)) return;
  for (const auto& p : paths_)
    if (p == path) return;
  paths_.push_back(path);
}

TemporaryFiles::~TemporaryFiles() {
  for (const auto& p : paths_) DeleteFileW(platform::ExtendedLengthPath(p).c_str());
}

}  // namespace shared

#include "library/SharedUnit.h"

#include <windows.h>
#include <objbase.h>

#include <stdexcept>

namespace shared {

std::string WithTrailingBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string TempFolder() {
  constexpr DWORD kBuffer = 4096;
  char buffer[kBuffer];
  const DWORD length = GetTempPathA(kBuffer, buffer);
  if (length == 0 || length >= kBuffer) return "";
  return WithTrailingBackslash(std::string(buffer, length));
}

std::string NewGuidString() {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) throw std::runtime_error("Cannot create a GUID");
  LPOLESTR wide = nullptr;
  if (FAILED(StringFromCLSID(guid, &wide)) || !wide) throw std::runtime_error("Cannot format a GUID");
  char text[64] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  CoTaskMemFree(wide);
  return text;
}

bool IsFileInFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.data(), static_cast<int>(folder.size()), folder.data(),
                     static_cast<int>(folder.size())) != CSTR_EQUAL)
    return false;
  const std::string name = path.substr(folder.size());
  return name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

void TemporaryFiles::Add(const std::string& path) {
  if (!IsFileInFolder(path, folder_)) return;
  for (const auto& p : paths_)
    if (p == path) return;
  paths_.push_back(path);
}

TemporaryFiles::~TemporaryFiles() {
  for (const auto& p : paths_) DeleteFileA(p.c_str());
}

}  // namespace shared

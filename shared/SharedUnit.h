// Temporary-folder and GUID-string functions shared by the library's parts. Paths are wide
// strings from end to end: a user's folder may hold characters that the ANSI code page cannot
// spell, and it may be longer than MAX_PATH allows once a file name is added.
#pragma once
#include <string>
#include <vector>

namespace shared {

// The folder with a trailing backslash (added unless it already ends in one).
std::wstring WithTrailingBackslash(std::wstring folder);

// The user's temporary folder with a trailing backslash; empty when the system cannot tell
// (GetTempPathW fails, or the path does not fit its 4096-character buffer).
std::wstring TempFolder();

// A fresh GUID in the 38-character registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring NewGuidString();

// Deletes its files when it goes away. Only files inside its folder are taken: a path that a host
// hands back is not a licence to delete anything elsewhere.
class TemporaryFiles {
 public:
  explicit TemporaryFiles(std::wstring folder) : folder_(std::move(folder)) {}
  ~TemporaryFiles();
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;
  void Add(const std::wstring& path);

 private:
  std::wstring folder_;
  std::vector<std::wstring> paths_;
};

// True when path names a file directly inside folder (which ends in a backslash); case-insensitive.
bool IsFileInFolder(const std::wstring& path, const std::wstring& folder);

}  // namespace shared

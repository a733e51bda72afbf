// Temporary-folder and GUID-string functions shared by the library's parts.
#pragma once
#include <string>
#include <vector>

namespace shared {

// The folder with a trailing backslash (added unless it already ends in one).
std::string WithTrailingBackslash(std::string folder);

// The user's temporary folder with a trailing backslash; "" when the system cannot tell
// (GetTempPathA fails, or the path does not fit its 4096-character buffer).
std::string TempFolder();

// A fresh GUID in the 38-character registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGuidString();

// Deletes its files when it goes away. Only files inside its folder are taken: a path that a host
// hands back is not a licence to delete anything elsewhere.
class TemporaryFiles {
 public:
  explicit TemporaryFiles(std::string folder) : folder_(std::move(folder)) {}
  ~TemporaryFiles();
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;
  void Add(const std::string& path);

 private:
  std::string folder_;
  std::vector<std::string> paths_;
};

// True when path names a file directly inside folder (which ends in a backslash); case-insensitive.
bool IsFileInFolder(const std::string& path, const std::string& folder);

}  // namespace shared

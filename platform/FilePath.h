// File names as the file system calls want them. No window system here: only text rules.
#pragma once
#include <string>

namespace platform {

// The form of a full path that the file functions accept beyond MAX_PATH characters: "\\?\C:\..."
// for a drive path, "\\?\UNC\server\share\..." for a network one. Paths of ordinary length, paths
// already in that form and relative paths come back as they are (the prefixed form turns off the
// file system's own clean-up of "." and "/", so it is only for full, clean paths).
std::wstring ExtendedLengthPath(const std::wstring& path);

}  // namespace platform

#include "shared/SharedUnit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <set>

#include "platform/FilePath.h"

namespace {

TEST(SharedUnit, TempFolderEndsInOneBackslash) {
  EXPECT_EQ(shared::WithTrailingBackslash(L"C:\\Temp"), L"C:\\Temp\\");
  EXPECT_EQ(shared::WithTrailingBackslash(L"C:\\Temp\\"), L"C:\\Temp\\");
  const std::wstring folder = shared::TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_NE(folder.substr(0, folder.size() - 1).back(), L'\\');
  EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SharedUnit, GuidStringsAreFreshUpperCaseAndThirtyEightLong) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 200; ++i) {
    const std::wstring g = shared::NewGuidString();
    ASSERT_EQ(g.size(), 38u);
    EXPECT_EQ(g.front(), L'{');
    EXPECT_EQ(g.back(), L'}');
    for (std::size_t k : {9u, 14u, 19u, 24u}) EXPECT_EQ(g[k], L'-') << g;
    for (wchar_t c : g)
      if (c != L'{' && c != L'}' && c != L'-') {
        EXPECT_TRUE(c < 128 && std::isxdigit(static_cast<int>(c)) && !std::islower(static_cast<int>(c))) << g;
      }
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 200u);
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(platform::ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::wstring& path) {
  HANDLE h = CreateFileW(platform::ExtendedLengthPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST(SharedUnit, TemporaryFilesDeletesOnlyInsideItsFolder) {
  const std::wstring folder = shared::TempFolder();
  const std::wstring inside = folder + shared::NewGuidString() + L".jpg";
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring outside = std::wstring(exe) + L".keep";
  for (const auto& p : {inside, outside}) Touch(p);
  {
    shared::TemporaryFiles files(folder);
    files.Add(inside);
    files.Add(outside);
    files.Add(folder + L"..\\escape.jpg");
  }
  EXPECT_FALSE(Exists(inside));
  EXPECT_TRUE(Exists(outside));
  DeleteFileW(outside.c_str());
  EXPECT_TRUE(shared::IsFileInFolder(L"c:\\TEMP\\a.jpg", L"C:\\temp\\"));
  EXPECT_FALSE(shared::IsFileInFolder(L"C:\\temp\\sub\\a.jpg", L"C:\\temp\\"));
  EXPECT_FALSE(shared::IsFileInFolder(L"C:\\temp\\", L"C:\\temp\\"));
}

TEST(SharedUnit, TemporaryFilesDeletesInFoldersBeyondMaxPath) {
  std::wstring folder = shared::TempFolder() + L"pathmr-long";
  std::vector<std::wstring> made;
  for (bool first = true; folder.size() < 300; first = false) {
    if (!first) folder += L"\\" + std::wstring(60, L'd');
    ASSERT_TRUE(CreateDirectoryW(platform::ExtendedLengthPath(folder).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    made.push_back(folder);
  }
  folder += L"\\";
  const std::wstring file = folder + shared::NewGuidString() + L".jpg";
  Touch(file);
  {
    shared::TemporaryFiles files(folder);
    files.Add(file);
  }
  EXPECT_FALSE(Exists(file));
  for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW(platform::ExtendedLengthPath(*it).c_str());
}

TEST(FilePath, LongFullPathsTakeTheExtendedForm) {
  const std::wstring tail(250, L'x');
  EXPECT_EQ(platform::ExtendedLengthPath(L"C:\\temp\\a.jpg"), L"C:\\temp\\a.jpg");
  EXPECT_EQ(platform::ExtendedLengthPath(L"C:\\" + tail), L"\\\\?\\C:\\" + tail);
  EXPECT_EQ(platform::ExtendedLengthPath(L"\\\\server\\share\\" + tail), L"\\\\?\\UNC\\server\\share\\" + tail);
  EXPECT_EQ(platform::ExtendedLengthPath(L"\\\\?\\C:\\" + tail), L"\\\\?\\C:\\" + tail);
  // Left to the file system's own clean-up, which the extended form would turn off.
  EXPECT_EQ(platform::ExtendedLengthPath(L"C:\\a\\..\\" + tail), L"C:\\a\\..\\" + tail);
  EXPECT_EQ(platform::ExtendedLengthPath(L"C:/" + tail), L"C:/" + tail);
  EXPECT_EQ(platform::ExtendedLengthPath(L"relative\\" + tail), L"relative\\" + tail);
}

}  // namespace

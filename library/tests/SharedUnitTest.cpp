#include "library/SharedUnit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <set>

namespace {

TEST(SharedUnit, TempFolderEndsInOneBackslash) {
  EXPECT_EQ(shared::WithTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
  EXPECT_EQ(shared::WithTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
  const std::string folder = shared::TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_NE(folder.substr(0, folder.size() - 1).back(), '\\');
  EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SharedUnit, GuidStringsAreFreshUpperCaseAndThirtyEightLong) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string g = shared::NewGuidString();
    ASSERT_EQ(g.size(), 38u);
    EXPECT_EQ(g.front(), '{');
    EXPECT_EQ(g.back(), '}');
    for (std::size_t k : {9u, 14u, 19u, 24u}) EXPECT_EQ(g[k], '-') << g;
    for (char c : g)
      if (c != '{' && c != '}' && c != '-') {
        EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::islower(c)) << g;
      }
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(SharedUnit, TemporaryFilesDeletesOnlyInsideItsFolder) {
  const std::string folder = shared::TempFolder();
  const std::string inside = folder + shared::NewGuidString() + ".jpg";
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string outside = std::string(exe) + ".keep";
  for (const auto& p : {inside, outside}) {
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  {
    shared::TemporaryFiles files(folder);
    files.Add(inside);
    files.Add(outside);
    files.Add(folder + "..\\escape.jpg");
  }
  EXPECT_EQ(GetFileAttributesA(inside.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(outside.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(outside.c_str());
  EXPECT_TRUE(shared::IsFileInFolder("c:\\TEMP\\a.jpg", "C:\\temp\\"));
  EXPECT_FALSE(shared::IsFileInFolder("C:\\temp\\sub\\a.jpg", "C:\\temp\\"));
  EXPECT_FALSE(shared::IsFileInFolder("C:\\temp\\", "C:\\temp\\"));
}

}  // namespace

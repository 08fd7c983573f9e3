// Full path names, name validation and drive classification.
#include "tests/path/path_support.h"

#include "path/internal.h"
#include "platform/win32.h"

#include <hostkit/path.h>

#include <vector>

namespace {

using hk::path::QueryFullPathName;
using hk::test::Sep;

std::string CurrentDirectory() {
  char buffer[4096];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, length);
}

TEST(QueryFullPathName, RefusesADriveColonSpaceWithoutAskingTheSystem) {
  SetLastError(0);
  char buffer[512];
  EXPECT_EQ(QueryFullPathName("C: x", sizeof buffer, buffer, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(QueryFullPathName("C: ", 0, nullptr, nullptr), 0u);
  EXPECT_NE(QueryFullPathName("C:x", 0, nullptr, nullptr), 0u);
  EXPECT_NE(QueryFullPathName("a x", 0, nullptr, nullptr), 0u);
}

TEST(QueryFullPathName, KeepsTheSystemsSizeConvention) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  const std::string expected = CurrentDirectory() + Sep("|sub|name.txt");
  const DWORD needed = QueryFullPathName("sub\\.\\x\\..\\name.txt", 0, nullptr, nullptr);
  EXPECT_EQ(needed, expected.size() + 1);
  std::vector<char> small(needed - 1, '#');
  EXPECT_EQ(QueryFullPathName("sub\\.\\x\\..\\name.txt", needed - 1, small.data(), nullptr), needed);
  std::vector<char> buffer(needed);
  char* filePart = nullptr;
  EXPECT_EQ(QueryFullPathName("sub/./x/../name.txt", needed, buffer.data(), &filePart), needed - 1);
  EXPECT_EQ(std::string(buffer.data()), expected);
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, "name.txt");
}

TEST(GetFullPathNameA, ResolvesDotSegmentsAndKeepsATrailingSlash) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  const std::string current = CurrentDirectory();
  const std::string last = current.substr(current.find_last_of("\\/") + 1);
  struct Case {
    const char* in;
    std::string out;
    const char* filePart;  // nullptr: none, the name ends in a slash
  } cases[] = {
      {"a\\b\\..\\c", current + Sep("|a|c"), "c"},
      {"a/./b/", current + Sep("|a|b|"), nullptr},
      {".", current, last.c_str()},
      {"a\\b\\.", current + Sep("|a|b"), "b"},
  };
  for (const Case& c : cases) {
    char buffer[4096];
    char* filePart = buffer;
    const DWORD length = GetFullPathNameA(c.in, sizeof buffer, buffer, &filePart);
    EXPECT_EQ(std::string(buffer, length), c.out) << c.in;
    if (c.filePart == nullptr) {
      EXPECT_EQ(filePart, nullptr) << c.in;
    } else {
      ASSERT_NE(filePart, nullptr) << c.in;
      EXPECT_STREQ(filePart, c.filePart) << c.in;
    }
  }
  // ".." never climbs above the root.
  char root[4096];
  const DWORD rootLength = GetFullPathNameA(Sep("|").c_str(), sizeof root, root, nullptr);
  char above[4096];
  const DWORD aboveLength = GetFullPathNameA(Sep("|..|..|").c_str(), sizeof above, above, nullptr);
  EXPECT_EQ(std::string(above, aboveLength), std::string(root, rootLength));
  EXPECT_EQ(GetFullPathNameA("", sizeof root, root, nullptr), 0u);
}

TEST(GetValidPathName, RejectsWildcardsSecondColonsAndDriveColonSpace) {
  for (const char* bad : {"c:\\*.txt", "a?b", "c:\\a:b", "C: x", "*"}) {
    CString path(bad);
    EXPECT_FALSE(GetValidPathName(path)) << bad;
    EXPECT_EQ(std::string(path), bad);
  }
}

TEST(GetValidPathName, ExpandsARelativeNameThatDoesNotExist) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  CString path("sub\\..\\missing.txt");
  ASSERT_TRUE(GetValidPathName(path));
  EXPECT_EQ(std::string(path), CurrentDirectory() + Sep("|missing.txt"));
  EXPECT_FALSE(IsFile(path));
  // An existing name expands just the same.
  dir.WriteFile("here.txt", "x");
  CString here("here.txt");
  ASSERT_TRUE(GetValidPathName(here));
  EXPECT_TRUE(IsFile(here));
}

TEST(GetValidPathName, RejectsANameTheFileSystemCannotHold) {
#if defined(_WIN32)
  GTEST_SKIP() << "an ANSI name with a component of 256 characters exceeds MAX_PATH under Windows";
#else
  // POSIX file systems hold components of at most 255 bytes; longer ones are refused by syntax.
  CString path(std::string(256, 'n').c_str());
  EXPECT_FALSE(GetValidPathName(path));
  CString fits(std::string(255, 'n').c_str());
  EXPECT_TRUE(GetValidPathName(fits));
#endif
}

TEST(GetRootDirType, AnswersFromTheTextWherePossible) {
  for (const char* shortText : {"", "C:", "\\", "  C:  ", "\t\\\\ "}) EXPECT_EQ(GetRootDirType(shortText), 0u) << shortText;
  // A UNC name is a network share by its form alone; the system would not know this server.
  EXPECT_EQ(GetRootDirType("\\\\server\\share"), 4u);
  EXPECT_EQ(GetRootDirType("//server/share/dir"), 4u);
  EXPECT_EQ(GetRootDirType(" \\/x "), 4u);
}

TEST(GetRootDirType, AsksTheSystemAboutTheFirstThreeCharacters) {
  const UINT c = GetDriveTypeA("C:\\");
  EXPECT_EQ(GetRootDirType("C:\\Windows"), c);
  EXPECT_EQ(GetRootDirType("  C:\\Windows\\System  "), c);
  EXPECT_EQ(GetRootDirType("C:/"), GetDriveTypeA("C:/"));
  EXPECT_NE(c, static_cast<UINT>(DRIVE_REMOTE));
}

TEST(GetDriveTypeA, MissingRootsAndExistingDirectories) {
  hk::test::TempDir dir;
  const std::string missing = dir / Sep("missing|");
  EXPECT_EQ(GetDriveTypeA(missing.c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  const UINT here = GetDriveTypeA(Sep("|").c_str());
  EXPECT_GE(here, static_cast<UINT>(DRIVE_REMOVABLE));
  EXPECT_LE(here, static_cast<UINT>(DRIVE_RAMDISK));
}

}  // namespace

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

TEST(QueryFullPathName, KeepsTheSystemsSizeConventionAndRefusesADriveColonSpace) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  const std::string expected = CurrentDirectory() + Sep("|sub|name.txt");
  const DWORD needed = QueryFullPathName("sub\\.\\x\\..\\name.txt", 0, nullptr, nullptr);
  std::vector<char> buffer(needed);
  char* filePart = nullptr;
  EXPECT_EQ(QueryFullPathName("sub/./x/../name.txt", needed, buffer.data(), &filePart), needed - 1);
  EXPECT_EQ(std::string(buffer.data()), expected);
  EXPECT_STREQ(filePart, "name.txt");
  // "C: " is refused without asking the system.
  SetLastError(0);
  EXPECT_EQ(QueryFullPathName("C: x", needed, buffer.data(), nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_NE(QueryFullPathName("C:x", 0, nullptr, nullptr), 0u);
}

TEST(GetFullPathNameA, ResolvesDotSegmentsAndKeepsATrailingSlash) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  const std::string current = CurrentDirectory();
  const std::string last = current.substr(current.find_last_of("\\/") + 1);
  const struct {
    const char* in;
    std::string out;
    const char* filePart;  // nullptr: none, the name ends in a slash
  } cases[] = {{"a\\b\\..\\c", current + Sep("|a|c"), "c"}, {"a/./b/", current + Sep("|a|b|"), nullptr},
               {".", current, last.c_str()}, {"a\\b\\.", current + Sep("|a|b"), "b"}};
  for (const auto& c : cases) {
    char buffer[4096];
    char* filePart = buffer;
    const DWORD length = GetFullPathNameA(c.in, sizeof buffer, buffer, &filePart);
    EXPECT_EQ(std::string(buffer, length), c.out) << c.in;
    EXPECT_STREQ(filePart, c.filePart) << c.in;
  }
  // ".." never climbs above the root.
  char root[4096], above[4096];
  const DWORD rootLength = GetFullPathNameA(Sep("|").c_str(), sizeof root, root, nullptr);
  const DWORD aboveLength = GetFullPathNameA(Sep("|..|..|").c_str(), sizeof above, above, nullptr);
  EXPECT_EQ(std::string(above, aboveLength), std::string(root, rootLength));
  EXPECT_EQ(GetFullPathNameA("", sizeof root, root, nullptr), 0u);
}

TEST(GetValidPathName, ExpandsWhatCouldBeANameAndRejectsTheRest) {
  for (const char* bad : {"c:\\*.txt", "a?b", "c:\\a:b", "C: x", "*", ""}) {
    CString path(bad);
    EXPECT_FALSE(GetValidPathName(path)) << bad;
    EXPECT_EQ(std::string(path), bad);
  }
  // A relative name expands whether or not it exists.
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  CString path("sub\\..\\missing.txt");
  ASSERT_TRUE(GetValidPathName(path));
  EXPECT_EQ(std::string(path), CurrentDirectory() + Sep("|missing.txt"));
  dir.WriteFile("here.txt", "x");
  CString here("here.txt");
  ASSERT_TRUE(GetValidPathName(here));
  EXPECT_TRUE(IsFile(here));
#if !defined(_WIN32)
  // POSIX file systems hold components of at most 255 bytes; longer ones are refused by syntax.
  CString tooLong(std::string(256, 'n').c_str()), fits(std::string(255, 'n').c_str());
  EXPECT_FALSE(GetValidPathName(tooLong));
  EXPECT_TRUE(GetValidPathName(fits));
#endif
}

TEST(GetRootDirType, AnswersFromTheTextWherePossibleAndAsksTheSystemOtherwise) {
  for (const char* shortText : {"", "C:", "\\", "  C:  ", "\t\\\\ "})
    EXPECT_EQ(GetRootDirType(shortText), 0u) << shortText;
  // A UNC name is a network share by its form alone; the system would not know this server.
  for (const char* unc : {"\\\\server\\share", "//server/share/dir", " \\/x "})
    EXPECT_EQ(GetRootDirType(unc), 4u) << unc;
  const UINT c = GetDriveTypeA("C:\\");
  EXPECT_EQ(GetRootDirType("  C:\\Windows\\System  "), c);
  EXPECT_EQ(GetRootDirType("C:/"), GetDriveTypeA("C:/"));
  EXPECT_NE(c, static_cast<UINT>(DRIVE_REMOTE));
}

}  // namespace

// CNuFileFinder: kinds, attribute modes, exclusions, the missing-directory answer and Reset.
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include <hostkit/fs.h>

#include "platform/win32.h"

#include <set>
#include <string>

namespace {

using hk::test::TempDir;

constexpr DWORD kAll = 0x19A7;

// A directory with a read-only file, a hidden file, a plain file and a sub-directory.
class FinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.WriteFile("ro.txt", "r");
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    dir.WriteFile(".hid", "h");
    ASSERT_TRUE(SetFileAttributesA((dir / ".hid").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    dir.WriteFile("plain.txt", "p");
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
  }

  std::set<std::string> Found(DWORD kinds, DWORD attributes, int match, const char* exclusions = nullptr,
                              const char* pattern = nullptr) {
    CNuFileFinder finder(dir.Path().c_str(), pattern, kinds, attributes,
                         static_cast<CNuFileFinder::AttributeMatch>(match), exclusions);
    return Collect(finder);
  }

  std::set<std::string> Collect(CNuFileFinder& finder) {
    std::set<std::string> names;
    for (CString path; finder.Find(path);) {
      EXPECT_EQ(std::string(path).rfind(dir.Path(), 0), 0u) << path;
      names.insert(std::string(path).substr(dir.Path().size()));
    }
    return names;
  }

  TempDir dir;
};

using Names = std::set<std::string>;

// Kinds and attribute modes: ro.txt is read-only, .hid hidden (both also archive), plain.txt
// archive only, sub a plain directory.
TEST_F(FinderTest, KindsAndAttributeModes) {
  const DWORD ro = FILE_ATTRIBUTE_READONLY, archive = FILE_ATTRIBUTE_ARCHIVE, hidden = FILE_ATTRIBUTE_HIDDEN;
  const Names all = {"ro.txt", ".hid", "plain.txt", "sub"};
  const struct {
    DWORD kinds, attributes;
    int match;
    Names found;
  } kCases[] = {
      {0, kAll, CNuFileFinder::MatchAny, {}},
      {CNuFileFinder::FindFiles, kAll, CNuFileFinder::MatchAny, {"ro.txt", ".hid", "plain.txt"}},
      {CNuFileFinder::FindDirectories, kAll, CNuFileFinder::MatchAny, {"sub"}},
      {3, kAll, CNuFileFinder::MatchAny, all},
      {3, ro, CNuFileFinder::MatchAny, {"ro.txt"}},
      {3, ro, CNuFileFinder::MatchOnly, {}},
      {3, ro, CNuFileFinder::MatchExact, {}},
      {3, ro | archive, CNuFileFinder::MatchExact, {"ro.txt"}},
      {3, ro | archive, CNuFileFinder::MatchOnly, {"ro.txt", "plain.txt"}},
      {3, archive, CNuFileFinder::MatchAll, {"ro.txt", ".hid", "plain.txt"}},
      {3, hidden | archive, CNuFileFinder::MatchExact, {".hid"}},
      {3, FILE_ATTRIBUTE_DIRECTORY, CNuFileFinder::MatchAny, {"sub"}},  // the directory bit alone: normal entries
      {3, ro, 7, all},  // a mode outside the four passes everything
  };
  for (const auto& c : kCases)
    EXPECT_EQ(Found(c.kinds, c.attributes, c.match), c.found) << c.kinds << "/" << c.attributes << "/" << c.match;
}

TEST_F(FinderTest, ExclusionsLeaveOutFilesButNeverDirectories) {
  EXPECT_EQ(Found(3, kAll, CNuFileFinder::MatchAny, "*.txt;sub"), (Names{".hid", "sub"}));
  EXPECT_EQ(Found(3, kAll, CNuFileFinder::MatchAny, nullptr, "*.T?T"), (Names{"ro.txt", "plain.txt"}));
}

// Every entry's data is whole when asked for, however little the search needed to accept it.
TEST_F(FinderTest, FindDataOfTheCurrentEntry) {
  CNuFileFinder finder(dir.Path().c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  for (CString path; finder.Find(path);) {
    const WIN32_FIND_DATAA& data = finder.GetFindData();
    EXPECT_EQ(data.dwFileAttributes, GetFileAttributesA(path)) << data.cFileName;
    const bool isFile = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    EXPECT_EQ(data.nFileSizeLow, isFile ? 1u : data.nFileSizeLow) << data.cFileName;
  }
}

TEST_F(FinderTest, AMissingDirectoryEndsAtOnce) {
  CNuFileFinder missing((dir / "nope").c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  CString path = "unchanged";
  EXPECT_FALSE(missing.Find(path));
  EXPECT_EQ(path, "unchanged");
  // A file given as the directory is no error either.
  CNuFileFinder notDir((dir / "plain.txt").c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  EXPECT_FALSE(notDir.Find(path));
#if !defined(_WIN32)
  // Nor is a pattern no name can hold, which POSIX refuses by its syntax (ERROR_INVALID_NAME);
  // Windows measures the whole name against its length limit first.
  CNuFileFinder overlong((dir / "plain.txt").c_str(), std::string(300, 'p').c_str(), 3, kAll, CNuFileFinder::MatchAny,
                         nullptr);
  EXPECT_FALSE(overlong.Find(path));
#endif
}

// Reset starts the search again; a finder gives its search back when it is reset or destroyed,
// however far it got (where the system tells how many files a process holds).
TEST_F(FinderTest, ResetStartsAgainAndResetOrDestroyEndTheSearch) {
  const int before = hk::test::OpenDescriptors();
  {
    CNuFileFinder finder(dir.Path().c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
    CString path;
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(finder.Find(path));
      finder.Reset(dir.Path().c_str(), nullptr, CNuFileFinder::FindFiles, kAll, CNuFileFinder::MatchAny, nullptr);
    }
    EXPECT_EQ(Collect(finder), (Names{"ro.txt", ".hid", "plain.txt"}));
    EXPECT_FALSE(finder.Find(path));  // and stays at the end
    finder.Reset(dir.Path().c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
    ASSERT_TRUE(finder.Find(path));
  }
  EXPECT_EQ(hk::test::OpenDescriptors(), before);
}

// A directory given without its separator gets one (one given with it keeps it: see Collect).
TEST_F(FinderTest, ADirectoryWithoutItsSeparatorGetsOne) {
  const std::string bare = dir.Path().substr(0, dir.Path().size() - 1);
  CNuFileFinder finder(bare.c_str(), "plain.txt", 3, kAll, CNuFileFinder::MatchAny, nullptr);
  CString path;
  ASSERT_TRUE(finder.Find(path));
  EXPECT_EQ(std::string(path), bare + hk::kPathSeparator + "plain.txt");
}

}  // namespace

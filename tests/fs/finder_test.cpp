// CNuFileFinder: kinds, attribute modes, exclusions, the missing-directory answer and Reset.
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
    ASSERT_EQ(GetFileAttributesA((dir / "ro.txt").c_str()), DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
    ASSERT_EQ(GetFileAttributesA((dir / ".hid").c_str()), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
    ASSERT_EQ(GetFileAttributesA((dir / "plain.txt").c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    ASSERT_EQ(GetFileAttributesA((dir / "sub").c_str()), DWORD{FILE_ATTRIBUTE_DIRECTORY});
  }

  std::set<std::string> Found(DWORD kinds, DWORD attributes, int match, const char* exclusions = nullptr,
                              const char* pattern = nullptr) {
    CNuFileFinder finder(dir.Path().c_str(), pattern, kinds, attributes,
                         static_cast<CNuFileFinder::AttributeMatch>(match), exclusions);
    return Collect(finder);
  }

  std::set<std::string> Collect(CNuFileFinder& finder) {
    std::set<std::string> names;
    CString path;
    while (finder.Find(path)) {
      const std::string full = static_cast<const char*>(path);
      EXPECT_EQ(full.rfind(dir.Path(), 0), 0u) << full;
      names.insert(full.substr(dir.Path().size()));
    }
    return names;
  }

  TempDir dir;
};

using Names = std::set<std::string>;

TEST_F(FinderTest, KindMasks) {
  EXPECT_EQ(Found(0, kAll, CNuFileFinder::MatchAny), Names());
  EXPECT_EQ(Found(CNuFileFinder::FindFiles, kAll, CNuFileFinder::MatchAny), (Names{"ro.txt", ".hid", "plain.txt"}));
  EXPECT_EQ(Found(CNuFileFinder::FindDirectories, kAll, CNuFileFinder::MatchAny), Names{"sub"});
  EXPECT_EQ(Found(3, kAll, CNuFileFinder::MatchAny), (Names{"ro.txt", ".hid", "plain.txt", "sub"}));
}

TEST_F(FinderTest, AttributeModes) {
  const DWORD ro = FILE_ATTRIBUTE_READONLY;
  const DWORD archive = FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(Found(3, ro, CNuFileFinder::MatchAny), Names{"ro.txt"});
  EXPECT_EQ(Found(3, ro, CNuFileFinder::MatchAll), Names{"ro.txt"});
  EXPECT_EQ(Found(3, ro, CNuFileFinder::MatchOnly), Names());
  EXPECT_EQ(Found(3, ro, CNuFileFinder::MatchExact), Names());
  EXPECT_EQ(Found(3, ro | archive, CNuFileFinder::MatchExact), Names{"ro.txt"});
  EXPECT_EQ(Found(3, ro | archive, CNuFileFinder::MatchOnly), (Names{"ro.txt", "plain.txt"}));
  EXPECT_EQ(Found(3, archive, CNuFileFinder::MatchAll), (Names{"ro.txt", ".hid", "plain.txt"}));
  EXPECT_EQ(Found(3, FILE_ATTRIBUTE_HIDDEN | archive, CNuFileFinder::MatchExact), Names{".hid"});
  // A mask of 0, or the directory bit alone, means normal entries: the plain directory.
  EXPECT_EQ(Found(3, 0, CNuFileFinder::MatchAny), Names{"sub"});
  EXPECT_EQ(Found(3, FILE_ATTRIBUTE_DIRECTORY, CNuFileFinder::MatchAny), Names{"sub"});
  // A mode outside the four passes everything.
  EXPECT_EQ(Found(3, ro, 7), (Names{"ro.txt", ".hid", "plain.txt", "sub"}));
}

TEST_F(FinderTest, ExclusionsLeaveOutFilesButNeverDirectories) {
  EXPECT_EQ(Found(3, kAll, CNuFileFinder::MatchAny, "*.txt;sub"), (Names{".hid", "sub"}));
  EXPECT_EQ(Found(3, kAll, CNuFileFinder::MatchAny, "\"plain.txt\""), (Names{"ro.txt", ".hid", "sub"}));
  EXPECT_EQ(Found(3, kAll, CNuFileFinder::MatchAny, nullptr, "*.TXT"), (Names{"ro.txt", "plain.txt"}));
}

TEST_F(FinderTest, FindDataOfTheCurrentEntry) {
  CNuFileFinder finder(dir.Path().c_str(), "plain.txt", 3, kAll, CNuFileFinder::MatchAny, nullptr);
  CString path;
  ASSERT_TRUE(finder.Find(path));
  EXPECT_STREQ(finder.GetFindData().cFileName, "plain.txt");
  EXPECT_EQ(finder.GetAttributes(), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_EQ(finder.GetFindData().nFileSizeLow, 1u);
  const int64_t age = CTime::GetCurrentTime().GetTime() - finder.LastWriteTime().GetTime();
  EXPECT_LT(age < 0 ? -age : age, 600);

  // Every entry's data is whole when asked for, however little the search needed to accept it.
  dir.WriteFile("sub/big.bin", std::string(5000, 'b'));
  finder.Reset(dir.Path().c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  std::set<std::string> described;
  while (finder.Find(path)) {
    const WIN32_FIND_DATAA& data = finder.GetFindData();
    EXPECT_EQ(data.dwFileAttributes, GetFileAttributesA(path)) << data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      EXPECT_EQ(data.nFileSizeLow, 1u) << data.cFileName;
    }
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u) << data.cFileName;
    described.insert(data.cFileName);
  }
  EXPECT_EQ(described, (Names{"ro.txt", ".hid", "plain.txt", "sub"}));
  finder.Reset((dir / "sub").c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  ASSERT_TRUE(finder.Find(path));
  EXPECT_EQ(finder.GetAttributes(), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_EQ(finder.GetFindData().nFileSizeLow, 5000u);
}

TEST_F(FinderTest, MissingDirectoryEndsAtOnceAndResetStartsAgain) {
  CNuFileFinder missing((dir / "nope").c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  CString path = "unchanged";
  EXPECT_FALSE(missing.Find(path));
  EXPECT_EQ(path, "unchanged");
  // A file given as the directory is no error either.
  CNuFileFinder notDir((dir / "plain.txt").c_str(), nullptr, 3, kAll, CNuFileFinder::MatchAny, nullptr);
  EXPECT_FALSE(notDir.Find(path));

  CNuFileFinder finder(dir.Path().c_str(), nullptr, CNuFileFinder::FindFiles, kAll, CNuFileFinder::MatchAny, nullptr);
  const Names first = Collect(finder);
  EXPECT_EQ(first.size(), 3u);
  EXPECT_FALSE(finder.Find(path));
  EXPECT_FALSE(finder.Find(path));
  finder.Reset(dir.Path().c_str(), nullptr, CNuFileFinder::FindFiles, kAll, CNuFileFinder::MatchAny, nullptr);
  EXPECT_EQ(Collect(finder), first);
  EXPECT_EQ(finder.GetFindData().cFileName[0] != '\0', true);
  finder.Reset(dir.Path().c_str(), nullptr, CNuFileFinder::FindFiles, kAll, CNuFileFinder::MatchAny, nullptr);
  EXPECT_EQ(finder.GetFindData().cFileName[0], '\0');
}

TEST_F(FinderTest, DirectoryGetsOneSeparator) {
  std::string bare = dir.Path();
  bare.pop_back();
  CNuFileFinder finder(bare.c_str(), "plain.txt", 3, kAll, CNuFileFinder::MatchAny, nullptr);
  CString path;
  ASSERT_TRUE(finder.Find(path));
  EXPECT_EQ(std::string(path), bare + hk::kPathSeparator + "plain.txt");
  CNuFileFinder slashed((bare + "/").c_str(), "plain.txt", 3, kAll, CNuFileFinder::MatchAny, nullptr);
  ASSERT_TRUE(slashed.Find(path));
  EXPECT_EQ(std::string(path), bare + "/plain.txt");
}

}  // namespace

// Creating directory chains, probing files, copying folder trees, temporary files and the
// read-only switch.
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include "path/create.h"
#include "path/tempfile.h"
#include "platform/win32.h"
#include "tests/fs/readonly.h"

#include <filesystem>
#include <set>
#include <string>
#include <utility>

#if !defined(_WIN32)
#  include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using hk::test::ReadWholeFile;
using hk::test::TempDir;

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(EnsureValidPath, CreatesTheWholeChain) {
  TempDir dir;
  EXPECT_TRUE(EnsureValidPath((dir / "a\\b/c").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "a/b/c"));
  EXPECT_TRUE(EnsureValidPath((dir / "a\\b\\c\\").c_str()));  // existing, trailing slash
  EXPECT_TRUE(hk::path::CreateDirectoryChain((dir / "x/y/").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "x/y"));
}

TEST(EnsureValidPath, RefusesAFileInTheWayAndOverlongNames) {
  TempDir dir;
  dir.WriteFile("file", "x");
  EXPECT_FALSE(EnsureValidPath((dir / "file\\sub").c_str()));
  EXPECT_FALSE(IsDirectory(dir / "file/sub"));
  EXPECT_FALSE(EnsureValidPath("C: x"));

  // Names measured from a base directory of fixed length, so that the cases do not depend on
  // where the temporary directory is: full names of 258 characters fit, longer ones fail and
  // create nothing. The directory part may itself be longer than any one component.
  constexpr size_t kBase = 64;
  ASSERT_LT(dir.Path().size(), kBase - 1);
  const std::string base = dir.Path() + std::string(kBase - 1 - dir.Path().size(), 'p') + hk::kPathSeparator;
  ASSERT_EQ(base.size(), kBase);
  const struct {
    size_t directoryPart;  // up to and including the last separator
    size_t length;
  } kCases[] = {{254, 255}, {254, 256}, {256, 257}, {257, 258}, {258, 259}, {256, 260}, {200, 259}};
  char first = 'a';
  std::set<fs::path> made;
  for (const auto& c : kCases) {
    const std::string top = base + std::string(c.directoryPart - kBase - 1, first++);
    const std::string name = top + hk::kPathSeparator + std::string(c.length - c.directoryPart, 'z');
    ASSERT_EQ(name.size(), c.length);
    const bool fits = c.length <= 258;
    if (fits) made.insert(fs::path(top).filename());
    EXPECT_EQ(EnsureValidPath(name.c_str()), fits ? TRUE : FALSE) << c.length;
    EXPECT_EQ(IsDirectory(name), fits) << c.length;
    EXPECT_EQ(IsDirectory(top), fits) << c.length;  // nothing made of a name that does not fit
    if (!fits) {
      CString resolved = name.c_str();
      EXPECT_FALSE(ResolveValidatePath(resolved));
      EXPECT_EQ(std::string(resolved), name);
    }
  }
  // Only the names asked for were made: no cut directory beside them.
  std::set<fs::path> found;
  for (const auto& entry : fs::directory_iterator(base)) found.insert(entry.path().filename());
  EXPECT_EQ(found, made);
}

TEST(ResolveValidatePath, GivesTheFullName) {
  TempDir dir;
  const fs::path previous = fs::current_path();
  fs::current_path(dir.Path());
  CString name = "sub\\dir";
  const BOOL ok = ResolveValidatePath(name);
  fs::current_path(previous);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(IsDirectory(dir / "sub/dir"));
  CString expected = (dir / "sub").c_str();
  expected += hk::kPathSeparator;
  expected += "dir";
  EXPECT_EQ(name, expected);
}

TEST(EnsureValidFile, CreatesTheDirectoryButLeavesNoFile) {
  TempDir dir;
  EXPECT_TRUE(EnsureValidFile((dir / "new\\f.txt").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "new"));
  EXPECT_EQ(GetFileAttributesA((dir / "new/f.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string existing = dir.WriteFile("keep.txt", "content");
  EXPECT_TRUE(EnsureValidFile(existing.c_str()));
  EXPECT_EQ(ReadWholeFile(existing), "content");
  EXPECT_FALSE(EnsureValidFile((dir / "keep.txt\\inside").c_str()));
  // A name the directory cannot take is refused.
  EXPECT_FALSE(EnsureValidFile((dir / std::string(300, 'n')).c_str()));
#if !defined(_WIN32)
  // So is a name held by a link to nothing: a file made there would land elsewhere.
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  EXPECT_FALSE(EnsureValidFile((dir / "dangling").c_str()));
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
#endif
}

TEST(EnsureValidFile, AnExistingFileThatDoesNotOpenForReadingIsNeverDeleted) {
  TempDir dir;
  const std::string path = dir.WriteFile("held.txt", "precious");
  // Another holder lets others write but not read: the read test fails, the probe must not
  // take the file away.
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ASSERT_FALSE(IsFile(path.c_str()));
  EnsureValidFile(path.c_str());
  CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile(path), "precious");
}

class CopyFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "src/sub/deeper");
    dir.WriteFile("src/a.txt", "A");
    dir.WriteFile("src/sub/b.txt", "B");
    dir.WriteFile("src/sub/deeper/c.txt", "C");
    dir.WriteFile("src/.hidden", "H");
  }
  TempDir dir;
};

TEST_F(CopyFolderTest, CopiesIntoAnEmptyTargetAndAgainOverIt) {
  ASSERT_TRUE(CopyFolder((dir / "src").c_str(), (dir / "dst").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "dst/a.txt"), "A");
  EXPECT_EQ(ReadWholeFile(dir / "dst/sub/b.txt"), "B");
  EXPECT_EQ(ReadWholeFile(dir / "dst/sub/deeper/c.txt"), "C");
  EXPECT_EQ(ReadWholeFile(dir / "dst/.hidden"), "H");
  dir.WriteFile("src/a.txt", "A2");
  dir.WriteFile("dst/sub/b.txt", "stale");
  // Again, with trailing slashes this time: files of the same name are overwritten.
  ASSERT_TRUE(CopyFolder((dir / "src\\").c_str(), (dir / "dst/").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "dst/a.txt"), "A2");
  EXPECT_EQ(ReadWholeFile(dir / "dst/sub/b.txt"), "B");
}

TEST_F(CopyFolderTest, AReadOnlyTargetFileMakesItFail) {
  ASSERT_TRUE(CopyFolder((dir / "src").c_str(), (dir / "dst").c_str()));
  dir.WriteFile("dst/sub/b.txt", "locked");
  ASSERT_TRUE(SetFileAttributesA((dir / "dst/sub/b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  if (hk::test::ReadOnlyIsWritable(dir / "dst/sub/b.txt"))
    GTEST_SKIP() << "this system lets the user write read-only files (Wine running as root)";
  EXPECT_FALSE(CopyFolder((dir / "src").c_str(), (dir / "dst").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "dst/sub/b.txt"), "locked");
}

TEST_F(CopyFolderTest, AMissingSourceStillCreatesTheTarget) {
  EXPECT_TRUE(CopyFolder((dir / "nothing").c_str(), (dir / "made").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "made"));
}

// Points the temporary directory at the fixture and makes the names' random part
// predictable, so that a test can take names first.
class TempFileTest : public ::testing::Test {
 protected:
  TempFileTest() : tmpdir("TMPDIR", dir.Path().c_str()), tmp("TMP", dir.Path().c_str()), temp("TEMP", dir.Path().c_str()) {}
  void TearDown() override { hk::path::SetTempNameSource(nullptr); }
  static std::string NameFor(unsigned number) {
    char text[32];
    std::snprintf(text, sizeof text, "hk%08X.tmp", number);
    return text;
  }
  TempDir dir;
  hk::test::ScopedEnv tmpdir, tmp, temp;
};

TEST_F(TempFileTest, WritesANewFileEachTime) {
  unsigned char data[] = {'d', 'a', 't', 'a'};
  const std::string first = CreateTempFile(data, 4);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(ReadWholeFile(first), "data");
  EXPECT_EQ(first.rfind(dir.Path(), 0), 0u) << first;
  const std::string second = CreateTempFile(nullptr, 0);
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(ReadWholeFile(second), "");
#if !defined(_WIN32)
  struct stat st {};
  ASSERT_EQ(stat(first.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
}

TEST_F(TempFileTest, NeverWritesThroughAPlantedFileOrLink) {
  const std::string planted = dir.WriteFile(NameFor(1), "planted");
  const std::string victim = dir.WriteFile("victim", "victim");
  bool withLink = false;
#if !defined(_WIN32)
  fs::create_symlink(victim, dir / NameFor(2));
  withLink = true;
#endif
  unsigned next = 1;
  hk::path::SetTempNameSource([&next] { return next++; });
  unsigned char data[] = {'n', 'e', 'w'};
  const std::string name = CreateTempFile(data, 3);
  EXPECT_EQ(name, dir / NameFor(withLink ? 3 : 2));
  EXPECT_EQ(ReadWholeFile(name), "new");
  EXPECT_EQ(ReadWholeFile(planted), "planted");
  EXPECT_EQ(ReadWholeFile(victim), "victim");
  EXPECT_EQ(withLink, fs::is_symlink(dir / NameFor(2)));
}

TEST_F(TempFileTest, NoFreeNameShowsTheMessageAndGivesTheEmptyString) {
  dir.WriteFile(NameFor(7), "taken");
  hk::path::SetTempNameSource([] { return 7u; });
  hk::test::RecordingMessageBoxes boxes;
  unsigned char data[] = {'x'};
  const char* name = CreateTempFile(data, 1);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Cannot create unique temporary filename");
  EXPECT_EQ(boxes.Boxes()[0].style, UINT{MB_OK});
  EXPECT_EQ(ReadWholeFile(dir / NameFor(7)), "taken");
}

// The last-access and last-write times of a file, in 100 ns units.
std::pair<int64_t, int64_t> Times(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME access{}, write{};
  GetFileTime(h, nullptr, &access, &write);
  CloseHandle(h);
  auto value = [](const FILETIME& ft) { return (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; };
  return {value(access), value(write)};
}

TEST(ReadOnlySwitch, SetsAndClearsTheAttributeOnly) {
  TempDir dir;
  const std::string path = dir.WriteFile("f.txt", "x");
  // Whole seconds, as the status record holds them, in 2012 and 2013.
  const FILETIME accessed{static_cast<DWORD>(130300000000000000LL), static_cast<DWORD>(130300000000000000LL >> 32)};
  const FILETIME written{static_cast<DWORD>(130000000000000000LL), static_cast<DWORD>(130000000000000000LL >> 32)};
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(h, nullptr, &accessed, &written));
  CloseHandle(h);
  const auto times = Times(path);
  EnableFileReadOnly(path.c_str());
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Times(path), times);  // written back as they were read
  EnableFileReadOnly(path.c_str());  // already read-only: nothing happens
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  const auto before = fs::last_write_time(path);
  EnableFileRW(path.c_str());
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(fs::last_write_time(path), before);
  EnableFileRW(path.c_str());
  EnableFileRW((dir / "missing").c_str());  // left alone, silently
  EnableFileReadOnly((dir / "missing").c_str());
  EXPECT_EQ(GetFileAttributesA((dir / "missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

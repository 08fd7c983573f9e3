// Creating directory chains, probing files, copying folder trees, temporary files and the
// read-only switch.
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include "path/create.h"
#include "path/tempfile.h"
#include "platform/win32.h"

#include <filesystem>
#include <set>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using hk::test::ReadWholeFile;
using hk::test::TempDir;

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(EnsureValidPath, CreatesTheWholeChainButRefusesAFileInTheWayAndOverlongNames) {
  TempDir dir;
  EXPECT_TRUE(EnsureValidPath((dir / "a\\b/c").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "a/b/c"));
  EXPECT_TRUE(EnsureValidPath((dir / "a\\b\\c\\").c_str()));  // existing, trailing slash
  // A file in the way, and overlong names, are refused.
  dir.WriteFile("file", "x");
  EXPECT_FALSE(EnsureValidPath((dir / "file\\sub").c_str()));
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
  }
  // Only the names asked for were made: no cut directory beside them.
  std::set<fs::path> found;
  for (const auto& entry : fs::directory_iterator(base)) found.insert(entry.path().filename());
  EXPECT_EQ(found, made);
}

TEST(ResolveValidatePath, GivesTheFullName) {
  TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  CString name = "sub\\dir";
  ASSERT_TRUE(ResolveValidatePath(name));
  EXPECT_TRUE(IsDirectory(dir / "sub/dir"));
  EXPECT_EQ(std::string(name), (dir / "sub") + hk::kPathSeparator + "dir");
}

// The directory is made but no file; an existing file is kept, even one that does not open for
// reading (another holder lets others write but not read: the probe must not take it away).
TEST(EnsureValidFile, CreatesTheDirectoryButNeverTouchesAFile) {
  TempDir dir;
  EXPECT_TRUE(EnsureValidFile((dir / "new\\f.txt").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "new"));
  EXPECT_EQ(GetFileAttributesA((dir / "new/f.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string existing = dir.WriteFile("keep.txt", "content");
  EXPECT_TRUE(EnsureValidFile(existing.c_str()));
  HANDLE holder = CreateFileA(existing.c_str(), GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(IsFile(existing.c_str()));
  EnsureValidFile(existing.c_str());
  CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile(existing), "content");
#if !defined(_WIN32)
  // A name held by a link to nothing is refused: a file made there would land elsewhere.
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  EXPECT_FALSE(EnsureValidFile((dir / "dangling").c_str()));
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
#endif
}


TEST(CopyFolder, CopiesIntoAnEmptyTargetAndAgainOverIt) {
  TempDir dir;
  fs::create_directories(dir / "src/sub/deeper");
  fs::create_directories(dir / "dst/sub");
  dir.WriteFile("src/a.txt", "A");
  dir.WriteFile("src/sub/b.txt", "B");
  dir.WriteFile("src/sub/deeper/c.txt", "C");
  dir.WriteFile("src/.hidden", "H");
  ASSERT_TRUE(CopyFolder((dir / "src").c_str(), (dir / "dst").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "dst/a.txt") + ReadWholeFile(dir / "dst/sub/b.txt") +
                ReadWholeFile(dir / "dst/sub/deeper/c.txt") + ReadWholeFile(dir / "dst/.hidden"),
            "ABCH");
  dir.WriteFile("src/a.txt", "A2");
  dir.WriteFile("dst/sub/b.txt", "stale");
  // Again, with trailing slashes this time: files of the same name are overwritten.
  ASSERT_TRUE(CopyFolder((dir / "src\\").c_str(), (dir / "dst/").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "dst/a.txt") + ReadWholeFile(dir / "dst/sub/b.txt"), "A2B");
  // A missing source still creates the target.
  EXPECT_TRUE(CopyFolder((dir / "nothing").c_str(), (dir / "made").c_str()));
  EXPECT_TRUE(IsDirectory(dir / "made"));
}

// Points the temporary directory at the fixture and makes the names' random part
// predictable, so that a test can take names first.
class TempFileTest : public ::testing::Test {
 protected:
  TempFileTest()
      : tmpdir("TMPDIR", dir.Path().c_str()), tmp("TMP", dir.Path().c_str()), temp("TEMP", dir.Path().c_str()) {}
  void TearDown() override { hk::path::SetTempNameSource(nullptr); }
  static std::string NameFor(unsigned number) {
    char text[32];
    std::snprintf(text, sizeof text, "hk%08X.tmp", number);
    return text;
  }
  TempDir dir;
  hk::test::ScopedEnv tmpdir, tmp, temp;
};

// A new file for the user alone, never written through a planted file or link.
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
#if !defined(_WIN32)
  struct stat st {};
  ASSERT_EQ(stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
}

TEST_F(TempFileTest, NoFreeNameShowsTheMessageAndGivesTheEmptyString) {
  dir.WriteFile(NameFor(7), "taken");
  hk::path::SetTempNameSource([] { return 7u; });
  hk::test::RecordingMessageBoxes boxes;
  unsigned char data[] = {'x'};
  EXPECT_STREQ(CreateTempFile(data, 1), "");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Cannot create unique temporary filename");
}

TEST(ReadOnlySwitch, SetsAndClearsTheAttributeOnly) {
  TempDir dir;
  const std::string path = dir.WriteFile("f.txt", "x");
  // Whole seconds, as the status record holds them, in 2012: written back as they were read.
  ASSERT_TRUE(hk::test::SetWriteTime(path, 130000000000000000LL));
  for (int round = 0; round < 4; ++round) {  // each switch twice: the second finds it done
    if (round < 2)
      EnableFileReadOnly(path.c_str());
    else
      EnableFileRW(path.c_str());
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY,
              round < 2 ? DWORD{FILE_ATTRIBUTE_READONLY} : 0u);
    EXPECT_EQ(hk::test::WriteTime(path), 130000000000000000LL) << round;
  }
}

}  // namespace

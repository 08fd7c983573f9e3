// Path-string primitives and the system directory queries.
#include "tests/path/path_support.h"

#include "platform/win32.h"

#include <hostkit/path.h>

#include <cstring>
#include <fstream>

namespace {

using hk::test::Sep;

TEST(FindLastSlash, PicksTheLaterOfBothKinds) {
  const char* mixed = "a/b\\c";
  EXPECT_EQ(FindLastSlash(mixed), mixed + 3);
  const char* other = "a\\b/c";
  EXPECT_EQ(FindLastSlash(other), other + 3);
  EXPECT_EQ(FindLastSlash("abc"), nullptr);
  EXPECT_EQ(FindLastSlash(""), nullptr);
}

TEST(PathHasEndSlash, OnlyWhenTheLastSlashEndsTheText) {
  EXPECT_TRUE(PathHasEndSlash("C:\\"));
  EXPECT_TRUE(PathHasEndSlash("dir/"));
  EXPECT_FALSE(PathHasEndSlash("C:"));
  EXPECT_FALSE(PathHasEndSlash("dir"));
  EXPECT_FALSE(PathHasEndSlash("a\\b"));
  EXPECT_FALSE(PathHasEndSlash(""));
}

TEST(EndSlash, AppendNeverTestsTrimTakesOneCharacter) {
  CString path("C:\\");
  AppendEndSlash(path);
  EXPECT_EQ(std::string(path), std::string("C:\\") + hk::kPathSeparator);
  CString plain("dir");
  AppendEndSlash(plain);
  EXPECT_EQ(std::string(plain), Sep("dir|"));

  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"C:\\", "C:"}, {"\\", ""}, {"abc", "abc"}, {"a\\\\", "a\\"}, {"dir/", "dir"}, {"", ""}};
  for (const Case& c : cases) {
    CString text(c.in);
    TrimEndSlash(text);
    EXPECT_EQ(std::string(text), c.out) << c.in;
  }
}

TEST(SeparatePathAndFile, SplitsByTheRulesOfTheSystemSplitter) {
  struct Case {
    const char* in;
    const char* directory;
    const char* file;
  } cases[] = {
      {"C:\\dir\\file.txt", "C:\\dir\\", "file.txt"},
      {"file", "", "file"},
      {"C:file.txt", "C:", "file.txt"},
      {"\\\\srv\\share\\x.y", "\\\\srv\\share\\", "x.y"},
      {"dir\\", "dir\\", ""},
      {"a.b\\c", "a.b\\", "c"},
      {"archive.tar.gz", "", "archive.tar.gz"},
      {"/usr/lib/x.so", "/usr/lib/", "x.so"},
      {".cfg", "", ".cfg"},
      {"C:", "C:", ""},
      {"", "", ""},
      {"d/.", "d/", "."},
  };
  for (const Case& c : cases) {
    CString directory("old"), file("old");
    SeparatePathAndFile(c.in, directory, file);
    EXPECT_EQ(std::string(directory), c.directory) << c.in;
    EXPECT_EQ(std::string(file), c.file) << c.in;
  }
}

TEST(SeparatePathAndFile, KeepsTheDirectoryWholeAndCutsOverlongNamesTo255Characters) {
  // A directory part longer than any one component is a legal name: a cut one would name
  // another directory.
  const std::string dir = std::string(200, 'd') + "\\" + std::string(100, 'd'), base(300, 'b'), ext(300, 'e');
  CString directory, file;
  SeparatePathAndFile(("C:" + dir + "\\" + base + "." + ext).c_str(), directory, file);
  EXPECT_EQ(std::string(directory), "C:" + dir + "\\");
  EXPECT_EQ(std::string(file), std::string(255, 'b') + "." + std::string(254, 'e'));
}

TEST(IsAbsolutePath, SlashOrLetterAndColon) {
  for (const char* yes : {"C:", "C:rel", "/x", "\\\\srv\\s", "z:\\"}) EXPECT_TRUE(IsAbsolutePath(yes)) << yes;
  for (const char* no : {"1:", "rel\\x", "", "C", ":x", "\xC3:"}) EXPECT_FALSE(IsAbsolutePath(no)) << no;
}

TEST(GetFilesCaseSensitive, AnswersThePlatformsTruth) {
  // Two names that differ only in case name one file exactly where the file system folds case.
  hk::test::TempDir dir;
  dir.WriteFile("probe.txt", "x");
  const bool folds = IsFile((dir.Path() + "PROBE.TXT").c_str()) != 0;
  EXPECT_EQ(GetFilesCaseSensitive(), folds ? FALSE : TRUE);
}

TEST(GetCurrentPath, IsTheCurrentDirectoryWithOneSeparatorAppended) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  char system[1024];
  const DWORD length = GetCurrentDirectoryA(sizeof system, system);
  ASSERT_GT(length, 0u);
  CString path("unchanged");
  GetCurrentPath(path);
  EXPECT_EQ(std::string(path), std::string(system) + hk::kPathSeparator);
  // The system names a directory other than a root without a trailing slash.
  EXPECT_FALSE(PathHasEndSlash(system));
}

TEST(GetTemporaryPath, EndsInTwoSeparators) {
  hk::test::TempDir dir;
  // Each system takes its temporary directory from its own variable.
  hk::test::ScopedEnv tmpdir("TMPDIR", dir.Path().c_str());
  hk::test::ScopedEnv tmp("TMP", dir.Path().c_str());
  CString path;
  GetTemporaryPath(path);
  EXPECT_EQ(std::string(path), dir.Path() + hk::kPathSeparator);
}

TEST(GetAppPath, IsTheExecutablesDirectory) {
  char module[4096];
  const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  ASSERT_GT(length, 0u);
  std::string expected(module, length);
  expected.erase(expected.find_last_of("\\/") + 1);
  CString path;
  GetAppPath(path);
  EXPECT_EQ(std::string(path), expected);
  EXPECT_TRUE(PathHasEndSlash(path));
  EXPECT_TRUE(IsDir(path));
  EXPECT_TRUE(IsFile((expected + std::string(module + expected.size())).c_str()));
}

TEST(IsDirIsFile, TellDirectoriesFilesAndMissingNamesApart) {
  hk::test::TempDir dir;
  const std::string file = dir.WriteFile("f.txt", "content");
  EXPECT_TRUE(IsDir(dir.Path().c_str()));
  EXPECT_FALSE(IsFile(dir.Path().c_str()));
  EXPECT_TRUE(IsFile(file.c_str()));
  EXPECT_FALSE(IsDir(file.c_str()));
  const std::string missing = dir / "missing";
  EXPECT_FALSE(IsDir(missing.c_str()));
  EXPECT_FALSE(IsFile(missing.c_str()));
  EXPECT_FALSE(IsFile(""));
  EXPECT_FALSE(IsDir(""));
}

TEST(IsFile, FalseWhileAnotherHolderDeniesReading) {
  hk::test::TempDir dir;
  const std::string file = dir.WriteFile("held.txt", "content");
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(IsFile(file.c_str()));
  CloseHandle(held);
  EXPECT_TRUE(IsFile(file.c_str()));
  // The probe leaves the file open to nobody: an exclusive open still succeeds afterwards.
  HANDLE again = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

TEST(SystemDirectoryQueries, ThrowWithTheLastErrorAndLeaveTheOutStringAlone) {
#if defined(_WIN32)
  GTEST_SKIP() << "a Windows process cannot remove its own current directory";
#else
  hk::test::TempDir dir;
  const std::string gone = dir / "gone";
  std::filesystem::create_directory(gone);
  hk::test::ScopedCurrentDirectory cwd(gone);
  std::filesystem::remove(gone);
  CString path("unchanged");
  try {
    GetCurrentPath(path);
    FAIL() << "no exception";
  } catch (CNuOSException* e) {
    EXPECT_EQ(e->m_dwError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    e->Delete();
  }
  EXPECT_EQ(std::string(path), "unchanged");
#endif
}

}  // namespace

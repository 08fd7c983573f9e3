// Path-string primitives and the system directory queries.
#include "tests/support/fixtures.h"
#include "tests/support/capture.h"

#include "platform/win32.h"

#include <hostkit/path.h>

#include <cstring>

namespace {

// Appending never tests for a slash; trimming takes one character.
TEST(Slashes, FoundAppendedAndTrimmed) {
  for (const char* mixed : {"a/b\\c", "a\\b/c"}) EXPECT_EQ(FindLastSlash(mixed), mixed + 3);  // the later kind
  EXPECT_EQ(FindLastSlash(""), nullptr);
  const struct {
    const char* in;
    const char* trimmed;  // also tells whether it ends in a slash
  } cases[] = {{"C:\\", "C:"}, {"\\", ""}, {"abc", "abc"}, {"a\\\\", "a\\"}, {"dir/", "dir"}, {"", ""},
               {"a\\b", "a\\b"}};
  for (const auto& c : cases) {
    CString trimmed(c.in), appended(c.in);
    TrimEndSlash(trimmed);
    AppendEndSlash(appended);
    EXPECT_EQ(std::string(trimmed), c.trimmed) << c.in;
    EXPECT_EQ(std::string(appended), c.in + std::string(1, hk::kPathSeparator));
    EXPECT_EQ(PathHasEndSlash(c.in) != FALSE, std::strcmp(c.in, c.trimmed) != 0) << c.in;
  }
}

TEST(SeparatePathAndFile, SplitsByTheRulesOfTheSystemSplitter) {
  const struct {
    const char* in;
    const char* directory;
    const char* file;
  } cases[] = {{"C:\\dir\\file.txt", "C:\\dir\\", "file.txt"}, {"file", "", "file"}, {"C:file.txt", "C:", "file.txt"},
               {"\\\\srv\\share\\x.y", "\\\\srv\\share\\", "x.y"}, {"dir\\", "dir\\", ""}, {"a.b\\c", "a.b\\", "c"},
               {"archive.tar.gz", "", "archive.tar.gz"}, {"/usr/lib/x.so", "/usr/lib/", "x.so"}, {".cfg", "", ".cfg"},
               {"C:", "C:", ""}, {"", "", ""}, {"d/.", "d/", "."}};
  for (const auto& c : cases) {
    CString directory("old"), file("old");
    SeparatePathAndFile(c.in, directory, file);
    EXPECT_EQ(std::string(directory) + "|" + std::string(file), std::string(c.directory) + "|" + c.file) << c.in;
  }
  // A directory part longer than any one component is a legal name: a cut one would name
  // another directory. An overlong file name is cut to 255 characters.
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

TEST(DirectoryQueries, CurrentTemporaryAndProgramDirectoriesEndInOneSeparator) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  // Each system takes its temporary directory from its own variable.
  hk::test::ScopedEnv tmpdir("TMPDIR", dir.Path().c_str());
  hk::test::ScopedEnv tmp("TMP", dir.Path().c_str());
  char system[1024];
  ASSERT_GT(GetCurrentDirectoryA(sizeof system, system), 0u);
  CString path("unchanged");
  GetCurrentPath(path);
  EXPECT_EQ(std::string(path), std::string(system) + hk::kPathSeparator);
  GetTemporaryPath(path);
  EXPECT_EQ(std::string(path), dir.Path() + hk::kPathSeparator);
  const std::string program(system, GetModuleFileNameA(nullptr, system, sizeof system));
  GetAppPath(path);
  EXPECT_EQ(std::string(path), program.substr(0, program.find_last_of("\\/") + 1));
}

TEST(IsDirIsFile, TellDirectoriesFilesAndMissingNamesApart) {
  hk::test::TempDir dir;
  const std::string file = dir.WriteFile("f.txt", "content"), missing = dir / "missing";
  for (const std::string& name : {dir.Path(), file, missing, std::string()}) {
    EXPECT_EQ(IsDir(name.c_str()) != FALSE, name == dir.Path()) << name;
    EXPECT_EQ(IsFile(name.c_str()) != FALSE, name == file) << name;
  }
  // The probe gave back what it opened: the file opens sharing nothing.
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(held, INVALID_HANDLE_VALUE);
  CloseHandle(held);
}

// A Windows process cannot remove its own current directory.
#if !defined(_WIN32)
TEST(SystemDirectoryQueries, ThrowWithTheLastErrorAndLeaveTheOutStringAlone) {
  hk::test::TempDir dir;
  const std::string gone = dir / "gone";
  std::filesystem::create_directory(gone);
  hk::test::ScopedCurrentDirectory cwd(gone);
  std::filesystem::remove(gone);
  CString path("unchanged");
  EXPECT_EQ(hk::test::ErrorOf<CNuOSException>([&] { GetCurrentPath(path); }), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(std::string(path), "unchanged");
}
#endif

}  // namespace

// Entries the Win32 interface cannot address on POSIX: names holding a backslash, and entries
// of a directory that may be listed but not searched. Neither may be misdirected or dropped
// without a word.
#include "tests/support/capture.h"
#include "tests/support/child.h"
#include "tests/support/fixtures.h"

#include <hostkit/fs.h>
#include <hostkit/path.h>

#include "platform/win32.h"

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using hk::test::ReadWholeFile;
using hk::test::TempDir;

// A tree holding both a\b (one file) and a/b (another): a name built from the first would
// reach the second. Each call refuses it as an invalid name; the folder copy stops rather
// than copying a/b's bytes in place of a\b. The hidden attribute belongs to the entry's own
// name, whether the search or the attribute query is asked.
TEST(BackslashNames, AreRefusedRatherThanMisdirected) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows file names cannot hold a backslash";
#else
  TempDir dir;
  fs::create_directories(dir / "src/a");
  dir.WriteFile("src/a/b", "slash");
  const std::string odd = dir.WriteFile("src/a\\b", "backslash");
  for (const auto& refused : std::initializer_list<std::function<bool()> >{
           [&] { return GetFileAttributesA(odd.c_str()) == INVALID_FILE_ATTRIBUTES; },
           [&] {
             return CreateFileA(odd.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) ==
                    INVALID_HANDLE_VALUE;
           },
           [&] { return !CopyFileA(odd.c_str(), (dir / "copy").c_str(), FALSE); },
           [&] { return !CopyFolder((dir / "src").c_str(), (dir / "dst").c_str()); }}) {
    SetLastError(0);
    EXPECT_TRUE(refused());
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_NAME});
  }
  EXPECT_FALSE(IsFile(odd.c_str()));
  EXPECT_TRUE(IsFile((dir / "src\\a/b").c_str()));  // backslashes as separators elsewhere still work
  EXPECT_NE(ReadWholeFile(dir / "dst/a/b"), "backslash");
  EXPECT_EQ(ReadWholeFile(odd), "backslash");

  for (const char* name : {"a\\.b", ".c\\d", ".e", "f"}) dir.WriteFile(name, "x");
  const std::set<std::string> hidden = {".c\\d", ".e"};
  std::set<std::string> bySearch, byFinder;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir / "*").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do
    if (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) bySearch.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  EXPECT_EQ(bySearch, hidden);
  CNuFileFinder finder(dir.Path().c_str(), "*.*", CNuFileFinder::FindFiles, FILE_ATTRIBUTE_HIDDEN,
                       CNuFileFinder::MatchAny, nullptr);
  for (CString path; finder.Find(path);) byFinder.insert(std::string(path).substr(dir.Path().size()));
  EXPECT_EQ(byFinder, hidden);
  EXPECT_NE(GetFileAttributesA((dir / ".e").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(GetFileAttributesA((dir / "f").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
#endif
}

// A directory that may be listed but not searched (r--): its entries' status cannot be read.
// The search fails with that error instead of leaving them out, and the finder throws.
TEST(UnsearchableDirectory, FailsTheSearchInsteadOfDroppingEntries) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows has no directory that lists but cannot be searched";
#else
  TempDir dir;
  fs::create_directory(dir / "listed");
  dir.WriteFile("listed/one", "1");
  ASSERT_EQ(chmod((dir / "listed").c_str(), 0444), 0);
  const std::string listed = dir / "listed";
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    if (geteuid() == 0 && !hk::test::BecomeNobody()) return 100;
    WIN32_FIND_DATAA data;
    const bool searchFails =
        FindFirstFileA((listed + "/*").c_str(), &data) == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED;
    // The attribute test depends on the read-only bit, which needs each entry's status.
    CNuFileFinder finder(listed.c_str(), "*.*", CNuFileFinder::FindFiles, FILE_ATTRIBUTE_READONLY,
                         CNuFileFinder::MatchAny, nullptr);
    CString path;
    const DWORD thrown = hk::test::ErrorOf<CNuOSException>([&] { finder.Find(path); });
    return searchFails && thrown == ERROR_ACCESS_DENIED ? 0 : 1;
  });
  chmod(listed.c_str(), 0755);
  if (end.code == 100) GTEST_SKIP() << "cannot become the user nobody";
  EXPECT_EQ(end.signal, 0);
  EXPECT_EQ(end.code, 0);
#endif
}

}  // namespace

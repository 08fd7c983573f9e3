// The Win32 file calls the file-system objects stand on. On Windows these run against the
// system's own implementation, so the same expectations pin the POSIX layer to it. On POSIX,
// entries the Win32 interface cannot address (names holding a backslash, entries of a directory
// that may be listed but not searched) are neither misdirected nor dropped without a word.
#include "tests/support/capture.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include <hostkit/fs.h>
#include <hostkit/path.h>

#include "platform/faults.h"
#include "platform/win32.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using hk::test::ReadWholeFile;
using hk::test::SetWriteTime;
using hk::test::TempDir;
using hk::test::WriteTime;

// The names a search finds that carry every bit of 'attributes', in a set.
std::set<std::string> Search(const std::string& spec, DWORD attributes = 0) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(spec.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do
    if ((data.dwFileAttributes & attributes) == attributes) names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// What the calls refuse, with the code Windows gives (0: any), and nothing changed by it.
TEST(FileCalls, RefusalsGiveTheirCodesAndChangeNothing) {
  TempDir dir;
  const std::string a = dir.WriteFile("a", "A"), b = dir.WriteFile("b", "B"), missing = dir / "missing";
  ASSERT_TRUE(CreateDirectoryA((dir / "d").c_str(), nullptr));
  WIN32_FIND_DATAA data;
  const struct {
    const char* what;
    std::function<BOOL()> call;
    DWORD error;
  } kCases[] = {
      {"copy a file onto itself", [&] { return CopyFileA(a.c_str(), a.c_str(), FALSE); }, 0},
      {"copy a missing file", [&] { return CopyFileA(missing.c_str(), (dir / "x").c_str(), FALSE); },
       ERROR_FILE_NOT_FOUND},
      {"make an existing directory", [&] { return CreateDirectoryA((dir / "d").c_str(), nullptr); },
       ERROR_ALREADY_EXISTS},
      {"make one in a missing directory", [&] { return CreateDirectoryA((dir / "no\\such").c_str(), nullptr); },
       ERROR_PATH_NOT_FOUND},
      {"search without a match",
       [&] { return FindFirstFileA((dir / "*.none").c_str(), &data) != INVALID_HANDLE_VALUE; }, ERROR_FILE_NOT_FOUND},
      {"search a missing directory",
       [&] { return FindFirstFileA((dir / "missing\\*.*").c_str(), &data) != INVALID_HANDLE_VALUE; },
       ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.call());
    EXPECT_EQ(c.error != 0 ? GetLastError() : 0u, c.error);
    EXPECT_EQ(ReadWholeFile(a) + ReadWholeFile(b), "AB");
  }
  EXPECT_EQ(Search(dir / "*"), (std::set<std::string>{".", "..", "a", "b", "d"}));
  // Opening an existing file where it might have been made says that it was there.
  HANDLE h = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
  CloseHandle(h);
#if !defined(_WIN32)
  // A process without standard input gets descriptor 0 for the next file it opens: a file made
  // there is still reported as new.
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    close(0);
    h = CreateFileA((dir / "fresh").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    return h != INVALID_HANDLE_VALUE && GetLastError() == ERROR_SUCCESS ? 0 : 1;
  });
  EXPECT_EQ(end.code, 0);
#endif
}

TEST(CopyFiles, EveryWayOfCopyingGivesTheSameBytes) {
  TempDir dir;
  // Several buffers' worth and an odd tail, no two blocks alike.
  const std::string data = hk::test::RandomBytes(3 * 1024 * 1024 + 17, 12345);
  const std::string source = dir.WriteFile("src.bin", data);
  const std::string empty = dir.WriteFile("empty", "");
  int n = 0;
  for (const auto ways : {hk::sys::CopyWays::All, hk::sys::CopyWays::WithoutRangeCopy, hk::sys::CopyWays::BufferOnly}) {
    const bool chosen = hk::sys::SetCopyWaysFault(ways);
    const std::string copy = dir / ("copy" + std::to_string(n));
    const std::string emptyCopy = dir / ("empty" + std::to_string(n++));
    const bool copied =
        CopyFileA(source.c_str(), copy.c_str(), TRUE) && CopyFileA(empty.c_str(), emptyCopy.c_str(), TRUE);
    hk::sys::SetCopyWaysFault(hk::sys::CopyWays::All);
    ASSERT_TRUE(copied) << static_cast<int>(ways);
    EXPECT_TRUE(ReadWholeFile(copy) == data) << static_cast<int>(ways);
    EXPECT_EQ(ReadWholeFile(emptyCopy), "");
    if (!chosen) break;  // the system copies in its own way only
  }
}

// A move to a directory on another file system than the temporary one (HOSTKIT_TEST_OTHER_FS,
// else /dev/shm) copies and deletes, keeping the time.
TEST(MoveFiles, AcrossFileSystemsCopiesAndDeletes) {
  TempDir dir;
  const char* configured = std::getenv("HOSTKIT_TEST_OTHER_FS");
  const std::string other = std::string(configured != nullptr ? configured : "/dev/shm") + "/hostkit-" +
                            std::to_string(std::random_device{}()) + "/";
  if (!CreateDirectoryA(other.c_str(), nullptr)) GTEST_SKIP() << "no directory on another file system";
  const std::string data = hk::test::RandomBytes(200000, 1), source = dir.WriteFile("src", data);
  const int64_t stamp = 130000000000000000LL;
  SetWriteTime(source, stamp);
  const std::string target = other + "moved";
  // A rename alone cannot cross: that is how the two are known to be on different devices.
  const bool crossed = !MoveFileExA(source.c_str(), target.c_str(), 0) && GetLastError() == ERROR_NOT_SAME_DEVICE;
  if (crossed) {
    EXPECT_TRUE(MoveFileA(source.c_str(), target.c_str()));
    EXPECT_EQ(GetFileAttributesA(source.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(WriteTime(target), stamp);
    EXPECT_EQ(ReadWholeFile(target), data);
  }
  std::error_code ec;
  std::filesystem::remove_all(other, ec);
  if (!crossed) GTEST_SKIP() << other << " is on the same file system";
}

// What only POSIX has: killing a copy needs a forked child; users, permissions and names
// holding a backslash are POSIX's.
#if !defined(_WIN32)

// A copy killed at each step leaves the destination as it was (or absent), never part of the
// new file.
TEST(CopyFiles, AKilledCopyNeverLeavesPartOfTheFile) {
  TempDir dir;
  // Three buffers' worth, copied through the buffer so that the second write is mid-file.
  const std::string data(3 * 1024 * 1024, 'n');
  const std::string source = dir.WriteFile("src", data);
  const struct {
    hk::sys::Call call;
    int nth;
  } kKills[] = {
      {hk::sys::Call::Write, 1}, {hk::sys::Call::Write, 2}, {hk::sys::Call::Sync, 1}, {hk::sys::Call::Rename, 1}};
  for (const bool replacing : {false, true}) {
    for (const auto& kill : kKills) {
      const std::string target = dir / "dst";
      std::filesystem::remove(target);
      if (replacing) dir.WriteFile("dst", "old");
      const hk::test::ChildEnd end = hk::test::RunInChild([&] {
        hk::sys::SetCopyWaysFault(hk::sys::CopyWays::BufferOnly);
        hk::sys::SetCallFault(
            kill.call, kill.nth, 0, +[] { raise(SIGKILL); });
        return CopyFileA(source.c_str(), target.c_str(), FALSE) ? 0 : 1;
      });
      SCOPED_TRACE(std::to_string(static_cast<int>(kill.call)) + "#" + std::to_string(kill.nth) +
                   (replacing ? " replacing" : " new"));
      // A new file is not synced: there the sync step is never reached and the copy completes.
      if (!replacing && kill.call == hk::sys::Call::Sync) {
        EXPECT_EQ(end.code, 0);
        continue;
      }
      EXPECT_EQ(end.signal, SIGKILL);
      if (replacing)
        EXPECT_EQ(ReadWholeFile(target), "old");
      else
        EXPECT_FALSE(std::filesystem::exists(target));
    }
  }
}

// Where no scratch file can be made beside it (a directory the user may not write), a writable
// file is still replaced, in place; and a file replaced by root keeps its owner.
TEST(CopyFiles, ReplacesWhereNoScratchFileCanBeMade) {
  TempDir dir;
  const std::string source = dir.WriteFile("src", "new");
  std::filesystem::create_directory(dir / "locked");
  const std::string target = dir.WriteFile("locked/dst", "old");
  ASSERT_EQ(chmod(target.c_str(), 0666), 0);
  ASSERT_EQ(chmod((dir / "locked").c_str(), 0555), 0);
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    if (geteuid() == 0 && !hk::test::BecomeNobody()) return 100;
    return CopyFileA(source.c_str(), target.c_str(), FALSE) ? 0 : 1;
  });
  chmod((dir / "locked").c_str(), 0755);
  if (end.code == 100) GTEST_SKIP() << "cannot become the user nobody";
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(ReadWholeFile(target), "new");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
    dir.WriteFile("src", "newer");
    ASSERT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE));
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
  }
}

// A tree holding both a\b (one file) and a/b (another): a name built from the first would
// reach the second. Each call refuses it as an invalid name; the folder copy stops rather
// than copying a/b's bytes in place of a\b. The hidden attribute belongs to the entry's own
// name, whether the search or the attribute query is asked (the finder reads the search's).
TEST(BackslashNames, AreRefusedRatherThanMisdirected) {
  TempDir dir;
  std::filesystem::create_directories(dir / "src/a");
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
  EXPECT_TRUE(IsFile((dir / "src\\a/b").c_str()));  // backslashes as separators elsewhere still work
  EXPECT_NE(ReadWholeFile(dir / "dst/a/b"), "backslash");
  EXPECT_EQ(ReadWholeFile(odd), "backslash");

  for (const char* name : {"a\\.b", ".c\\d", ".e", "f"}) dir.WriteFile(name, "x");
  EXPECT_EQ(Search(dir / "*", FILE_ATTRIBUTE_HIDDEN), (std::set<std::string>{".c\\d", ".e"}));
  EXPECT_NE(GetFileAttributesA((dir / ".e").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(GetFileAttributesA((dir / "f").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

// A directory that may be listed but not searched (r--): its entries' status cannot be read.
// The search fails with that error instead of leaving them out, and the finder throws.
TEST(UnsearchableDirectory, FailsTheSearchInsteadOfDroppingEntries) {
  TempDir dir;
  std::filesystem::create_directory(dir / "listed");
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
  EXPECT_EQ(end.code, 0);
}

#endif

}  // namespace

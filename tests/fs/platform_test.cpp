// The Win32 file calls the file-system objects stand on. On Windows these run against the
// system's own implementation, so the same expectations pin the POSIX layer to it.
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include "platform/faults.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <tuple>
#include <set>
#include <string>
#include <thread>

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

// The names a search finds, in a set.
std::set<std::string> Search(const std::string& spec) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(spec.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

TEST(FindFiles, WildcardsFollowWindowsRules) {
  TempDir dir;
  for (const char* name : {"README", "a.txt", "B.TXT", "a.txt.bak", "abc.doc"}) dir.WriteFile(name, "x");
  using Names = std::set<std::string>;
  EXPECT_EQ(Search(dir / "*.*"), (Names{".", "..", "README", "a.txt", "B.TXT", "a.txt.bak", "abc.doc"}));
  EXPECT_EQ(Search(dir / "*"), Search(dir / "*.*"));
  EXPECT_EQ(Search(dir / "*.txt"), (Names{"a.txt", "B.TXT"}));
  EXPECT_EQ(Search(dir / "?.TXT"), (Names{"a.txt", "B.TXT"}));
  EXPECT_EQ(Search(dir / "a*"), (Names{"a.txt", "a.txt.bak", "abc.doc"}));
  EXPECT_EQ(Search(dir / "readme"), (Names{"README"}));
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
      {"copy onto an existing file", [&] { return CopyFileA(a.c_str(), b.c_str(), TRUE); }, ERROR_FILE_EXISTS},
      {"copy a file onto itself", [&] { return CopyFileA(a.c_str(), a.c_str(), FALSE); }, 0},
      {"copy a missing file", [&] { return CopyFileA(missing.c_str(), (dir / "x").c_str(), FALSE); },
       ERROR_FILE_NOT_FOUND},
      {"move onto an existing file", [&] { return MoveFileA(a.c_str(), b.c_str()); }, ERROR_ALREADY_EXISTS},
      {"move a missing file", [&] { return MoveFileA(missing.c_str(), (dir / "x").c_str()); }, ERROR_FILE_NOT_FOUND},
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
    if (c.error != 0) {
      EXPECT_EQ(GetLastError(), c.error);
    }
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

// One opener of a race for a new name: takes it sharing nothing, writes its letter, closes.
// Answers whether it got the file.
bool TakeAndMark(const std::string& name, DWORD creation, char letter) {
  HANDLE h =
      CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(h, &letter, 1, &written, nullptr);
  CloseHandle(h);
  return true;
}

// Each round two openers race for one new name, sharing nothing: A creates it for itself
// (CREATE_NEW), B opens or creates it (OPEN_ALWAYS). The loser must fail without taking the
// winner's file away, so the name ends holding a winner's letter.
TEST(ShareModes, TheLoserOfARaceNeverRemovesTheWinnersFile) {
  TempDir dir;
  constexpr int kRounds = 200;
  int lost = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string name = dir / ("t" + std::to_string(round));
    std::atomic<int> ready{0};
    bool won[2] = {false, false};
    auto opener = [&](int who) {
      ready.fetch_add(1);
      while (ready.load() < 2) {
      }
      won[who] = TakeAndMark(name, who == 0 ? CREATE_NEW : OPEN_ALWAYS, who == 0 ? 'A' : 'B');
    };
    std::thread a(opener, 0), b(opener, 1);
    a.join();
    b.join();
    const std::string content = ReadWholeFile(name);
    if (!((won[0] && content == "A") || (won[1] && content == "B"))) ++lost;
  }
  EXPECT_EQ(lost, 0);
}

TEST(CopyFiles, EveryWayOfCopyingGivesTheSameBytes) {
  TempDir dir;
  // Several buffers' worth and an odd tail, no two blocks alike.
  const std::string data = hk::test::RandomBytes(3 * 1024 * 1024 + 17, 12345);
  const std::string source = dir.WriteFile("src.bin", data);
  const int64_t stamp = 130000000000000000LL;
  SetWriteTime(source, stamp);
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
    EXPECT_EQ(WriteTime(copy), stamp);
    EXPECT_EQ(ReadWholeFile(emptyCopy), "");
    if (!chosen) break;  // the system copies in its own way only
  }
}

// A copy killed at each step leaves the destination as it was (or absent), never part of the
// new file.
TEST(CopyFiles, AKilledCopyNeverLeavesPartOfTheFile) {
#if defined(_WIN32)
  GTEST_SKIP() << "the system copies files itself; killing a copy needs a forked child";
#else
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
      const std::string what = std::to_string(static_cast<int>(kill.call)) + "#" + std::to_string(kill.nth) +
                               (replacing ? " replacing" : " new");
      // A new file is not synced: there the sync step is never reached and the copy completes.
      if (!replacing && kill.call == hk::sys::Call::Sync) {
        EXPECT_EQ(end.code, 0) << what;
        continue;
      }
      EXPECT_EQ(end.signal, SIGKILL) << what;
      if (replacing)
        EXPECT_EQ(ReadWholeFile(target), "old") << what;
      else
        EXPECT_FALSE(std::filesystem::exists(target)) << what;
    }
  }
#endif
}

// Where no scratch file can be made beside it (a directory the user may not write), a writable
// file is still replaced, in place; and a file replaced by root keeps its owner.
TEST(CopyFiles, ReplacesWhereNoScratchFileCanBeMade) {
#if defined(_WIN32)
  GTEST_SKIP() << "POSIX permissions";
#else
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
    EXPECT_EQ(ReadWholeFile(target), "newer");
  }
#endif
}

// A move to a directory on another file system than the temporary one (HOSTKIT_TEST_OTHER_FS,
// else /dev/shm) copies and deletes, keeping the time; onto an existing file it is refused as
// within one file system, both files left as they were.
TEST(MoveFiles, AcrossFileSystemsCopiesAndDeletes) {
  TempDir dir;
  const char* configured = std::getenv("HOSTKIT_TEST_OTHER_FS");
  const std::string other = std::string(configured != nullptr ? configured : "/dev/shm") + "/hostkit-" +
                            std::to_string(std::random_device{}()) + "/";
  if (!CreateDirectoryA(other.c_str(), nullptr)) GTEST_SKIP() << "no directory on another file system";
  const std::string data = hk::test::RandomBytes(200000, 1), source = dir.WriteFile("src", data);
  const int64_t stamp = 130000000000000000LL;
  SetWriteTime(source, stamp);
  const std::string target = other + "moved", second = dir.WriteFile("second", "second");
  // A rename alone cannot cross: that is how the two are known to be on different devices.
  const bool crossed = !MoveFileExA(source.c_str(), target.c_str(), 0) && GetLastError() == ERROR_NOT_SAME_DEVICE;
  if (crossed) {
    EXPECT_TRUE(MoveFileA(source.c_str(), target.c_str()));
    EXPECT_EQ(GetFileAttributesA(source.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadWholeFile(target), data);
    EXPECT_EQ(WriteTime(target), stamp);
    EXPECT_FALSE(MoveFileA(second.c_str(), target.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    EXPECT_EQ(ReadWholeFile(target) + ReadWholeFile(second), data + "second");
  }
  std::error_code ec;
  std::filesystem::remove_all(other, ec);
  if (!crossed) GTEST_SKIP() << other << " is on the same file system";
}

// Growing a file reserves its blocks, so that a volume without room says so at once, not
// when the bytes are later written through a mapping.
TEST(FileSize, GrowingAFileReservesItsBlocks) {
#if defined(_WIN32)
  GTEST_SKIP() << "the system grows files itself";
#else
  TempDir dir;
  const std::string path = dir.WriteFile("grown", "");
  constexpr LONG kSize = 8 * 1024 * 1024;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFilePointer(h, kSize, nullptr, FILE_BEGIN);
  hk::sys::SetCallFault(hk::sys::Call::Allocate, 1, ERROR_DISK_FULL);
  EXPECT_FALSE(SetEndOfFile(h));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_DISK_FULL});
  hk::sys::SetCallFault(hk::sys::Call::Allocate, 0, 0);
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, kSize);
  EXPECT_GE(st.st_blocks * 512, st.st_size);
#endif
}

// A file open for reading cannot be mapped writable, an empty file cannot be mapped whole.
TEST(Mappings, WhatCannotBeMapped) {
  TempDir dir;
  for (const auto& [content, protection, error] : {std::tuple{"0123456789", PAGE_READWRITE, ERROR_ACCESS_DENIED},
                                                   std::tuple{"", PAGE_READONLY, ERROR_FILE_INVALID}}) {
    HANDLE file = CreateFileA(dir.WriteFile("m", content).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, protection, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(error));
    CloseHandle(file);
  }
}

}  // namespace

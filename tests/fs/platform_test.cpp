// The Win32 file calls the file-system objects stand on. On Windows these run against the
// system's own implementation, so the same expectations pin the POSIX layer to it.
#include "tests/support/child.h"
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include "platform/faults.h"
#include "platform/win32.h"
#include "tests/fs/readonly.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#if !defined(_WIN32)
#  include <signal.h>
#  include <sys/stat.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace {

using hk::test::ReadWholeFile;
using hk::test::TempDir;

std::set<std::string> Search(const std::string& spec, DWORD* error = nullptr) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(spec.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    if (error != nullptr) *error = GetLastError();
    return names;
  }
  do names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  if (error != nullptr) *error = GetLastError();
  FindClose(find);
  return names;
}

int64_t WriteTime(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME write{};
  GetFileTime(h, nullptr, nullptr, &write);
  CloseHandle(h);
  return (static_cast<int64_t>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
}

void SetWriteTime(const std::string& path, int64_t value) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME ft{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

TEST(FindFiles, WildcardsFollowWindowsRules) {
  TempDir dir;
  for (const char* name : {"README", "a.txt", "B.TXT", "a.txt.bak", "abc.doc"}) dir.WriteFile(name, "x");
  EXPECT_EQ(Search(dir / "*.*"), (std::set<std::string>{".", "..", "README", "a.txt", "B.TXT", "a.txt.bak", "abc.doc"}));
  EXPECT_EQ(Search(dir / "*"), Search(dir / "*.*"));
  EXPECT_EQ(Search(dir / "*.txt"), (std::set<std::string>{"a.txt", "B.TXT"}));
  EXPECT_EQ(Search(dir / "?.TXT"), (std::set<std::string>{"a.txt", "B.TXT"}));
  EXPECT_EQ(Search(dir / "a*"), (std::set<std::string>{"a.txt", "a.txt.bak", "abc.doc"}));
  EXPECT_EQ(Search(dir / "readme"), (std::set<std::string>{"README"}));
}

TEST(FindFiles, ReportsEntriesAndErrorsAsWindowsDoes) {
  TempDir dir;
  dir.WriteFile("data.bin", std::string(300, 'z'));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir / "data.bin").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "data.bin");
  EXPECT_EQ(data.nFileSizeLow, 300u);
  EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_NO_MORE_FILES});
  EXPECT_TRUE(FindClose(find));

  DWORD error = 0;
  EXPECT_TRUE(Search(dir / "*.none", &error).empty());
  EXPECT_EQ(error, DWORD{ERROR_FILE_NOT_FOUND});
  EXPECT_TRUE(Search(dir / "missing\\*.*", &error).empty());
  EXPECT_EQ(error, DWORD{ERROR_PATH_NOT_FOUND});
}

// One opener of a race for a new name: takes it sharing nothing, writes its letter, closes.
// Answers whether it got the file.
bool TakeAndMark(const std::string& name, DWORD creation, char letter) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
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
  EXPECT_EQ(lost, 0) << "threads";
#if !defined(_WIN32)
  // The same between processes, started together by closing the pipe they wait on.
  lost = 0;
  for (int round = 0; round < kRounds / 3; ++round) {
    const std::string name = dir / ("p" + std::to_string(round));
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t children[2];
    for (int who = 0; who < 2; ++who) {
      children[who] = fork();
      ASSERT_GE(children[who], 0);
      if (children[who] == 0) {
        close(start[1]);
        char byte;
        while (read(start[0], &byte, 1) < 0) {
        }
        _exit(TakeAndMark(name, who == 0 ? CREATE_NEW : OPEN_ALWAYS, who == 0 ? 'A' : 'B') ? 1 : 0);
      }
    }
    close(start[0]);
    close(start[1]);
    bool won[2] = {false, false};
    for (int who = 0; who < 2; ++who) {
      int status = 0;
      waitpid(children[who], &status, 0);
      won[who] = WIFEXITED(status) && WEXITSTATUS(status) == 1;
    }
    const std::string content = ReadWholeFile(name);
    if (!((won[0] && content == "A") || (won[1] && content == "B"))) ++lost;
  }
  EXPECT_EQ(lost, 0) << "processes";
#endif
}

TEST(CopyFiles, KeepsBytesAndLastWriteTime) {
  TempDir dir;
  const std::string source = dir.WriteFile("src.bin", std::string(70000, 'q') + "end");
  const int64_t stamp = 130000000000000000LL;  // 2012
  SetWriteTime(source, stamp);
  ASSERT_TRUE(CopyFileA(source.c_str(), (dir / "dst.bin").c_str(), TRUE));
  EXPECT_EQ(ReadWholeFile(dir / "dst.bin"), ReadWholeFile(source));
  EXPECT_EQ(WriteTime(dir / "dst.bin"), stamp);
}

TEST(CopyFiles, EveryWayOfCopyingGivesTheSameBytes) {
  TempDir dir;
  // Several buffers' worth and an odd tail, no two blocks alike.
  std::string data(3 * 1024 * 1024 + 17, '\0');
  uint32_t x = 12345;
  for (char& c : data) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  const std::string source = dir.WriteFile("src.bin", data);
  const int64_t stamp = 130000000000000000LL;
  SetWriteTime(source, stamp);
  const std::string empty = dir.WriteFile("empty", "");
  int n = 0;
  for (const auto ways : {hk::sys::CopyWays::All, hk::sys::CopyWays::WithoutRangeCopy, hk::sys::CopyWays::BufferOnly}) {
    const bool chosen = hk::sys::SetCopyWaysFault(ways);
    const std::string copy = dir / ("copy" + std::to_string(n));
    const std::string emptyCopy = dir / ("empty" + std::to_string(n++));
    const bool copied = CopyFileA(source.c_str(), copy.c_str(), TRUE) && CopyFileA(empty.c_str(), emptyCopy.c_str(), TRUE);
    hk::sys::SetCopyWaysFault(hk::sys::CopyWays::All);
    ASSERT_TRUE(copied) << static_cast<int>(ways);
    EXPECT_TRUE(ReadWholeFile(copy) == data) << static_cast<int>(ways);
    EXPECT_EQ(WriteTime(copy), stamp);
    EXPECT_EQ(ReadWholeFile(emptyCopy), "");
    if (!chosen) break;  // the system copies in its own way only
  }
}

// A copy killed at each step leaves the destination as it was (or absent), never part of the
// new file, whether CopyFileA or a folder copy made it.
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
  } kKills[] = {{hk::sys::Call::Write, 1}, {hk::sys::Call::Write, 2}, {hk::sys::Call::Sync, 1}, {hk::sys::Call::Rename, 1}};
  for (const bool replacing : {false, true}) {
    for (const auto& kill : kKills) {
      const std::string target = dir / "dst";
      std::filesystem::remove(target);
      if (replacing) dir.WriteFile("dst", "old");
      const hk::test::ChildEnd end = hk::test::RunInChild([&] {
        hk::sys::SetCopyWaysFault(hk::sys::CopyWays::BufferOnly);
        hk::sys::SetCallFault(kill.call, kill.nth, 0, +[] { raise(SIGKILL); });
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
      if (replacing) EXPECT_EQ(ReadWholeFile(target), "old") << what;
      else EXPECT_FALSE(std::filesystem::exists(target)) << what;
    }
  }
  ASSERT_TRUE(CopyFileA(source.c_str(), (dir / "dst").c_str(), FALSE));
  EXPECT_TRUE(ReadWholeFile(dir / "dst") == data);

  std::filesystem::create_directories(dir / "tree/in");
  std::filesystem::copy_file(source, dir / "tree/in/big");
  std::filesystem::create_directories(dir / "copy/in");
  dir.WriteFile("copy/in/big", "old");
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    hk::sys::SetCopyWaysFault(hk::sys::CopyWays::BufferOnly);
    hk::sys::SetCallFault(hk::sys::Call::Write, 2, 0, +[] { raise(SIGKILL); });
    return CopyFolder((dir / "tree").c_str(), (dir / "copy").c_str());
  });
  EXPECT_EQ(end.signal, SIGKILL);
  EXPECT_EQ(ReadWholeFile(dir / "copy/in/big"), "old");
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

TEST(CopyFiles, FailIfExistsAndOverwriteRules) {
  TempDir dir;
  const std::string source = dir.WriteFile("src", "new");
  const std::string target = dir.WriteFile("dst", "old");
  EXPECT_FALSE(CopyFileA(source.c_str(), target.c_str(), TRUE));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_EXISTS});
  EXPECT_EQ(ReadWholeFile(target), "old");
  EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE));
  EXPECT_EQ(ReadWholeFile(target), "new");
  // A read-only target is not overwritten, whoever asks (Wine run by root is the exception).
  dir.WriteFile("ro", "keep");
  ASSERT_TRUE(SetFileAttributesA((dir / "ro").c_str(), FILE_ATTRIBUTE_READONLY));
  if (!hk::test::ReadOnlyIsWritable(dir / "ro")) {
    EXPECT_FALSE(CopyFileA(source.c_str(), (dir / "ro").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(ReadWholeFile(dir / "ro"), "keep");
  }
  // Copying a file onto itself must not empty it.
  EXPECT_FALSE(CopyFileA(source.c_str(), source.c_str(), FALSE));
  EXPECT_EQ(ReadWholeFile(source), "new");
  EXPECT_FALSE(CopyFileA((dir / "missing").c_str(), (dir / "x").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST(MoveFiles, RenamesButNeverReplaces) {
  TempDir dir;
  const std::string a = dir.WriteFile("a", "A");
  const std::string b = dir.WriteFile("b", "B");
  EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
  EXPECT_EQ(ReadWholeFile(b), "B");
  EXPECT_TRUE(MoveFileA(a.c_str(), (dir / "c").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "c"), "A");
  EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(CreateDirectoryA((dir / "d1").c_str(), nullptr));
  EXPECT_TRUE(MoveFileA((dir / "d1").c_str(), (dir / "d2").c_str()));
  EXPECT_NE(GetFileAttributesA((dir / "d2").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(MoveFileA((dir / "missing").c_str(), (dir / "e").c_str()));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

// A directory of its own on another file system than the temporary directory, or none.
class OtherFileSystemDir {
 public:
  OtherFileSystemDir() {
    const char* configured = std::getenv("HOSTKIT_TEST_OTHER_FS");
    const std::string base = configured != nullptr ? configured : "/dev/shm";
    const DWORD attributes = GetFileAttributesA(base.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
    char name[32];
    std::snprintf(name, sizeof name, "/hostkit-test-%08X", static_cast<unsigned>(std::random_device{}()));
    if (CreateDirectoryA((base + name).c_str(), nullptr)) m_path = base + name + "/";
  }
  ~OtherFileSystemDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

TEST(MoveFiles, AcrossFileSystemsCopiesAndDeletes) {
  TempDir dir;
  OtherFileSystemDir other;
  if (other.Path().empty()) GTEST_SKIP() << "no directory on another file system (set HOSTKIT_TEST_OTHER_FS)";
  const std::string data = std::string(200000, 'm') + "tail";
  const std::string source = dir.WriteFile("src", data);
  const int64_t stamp = 130000000000000000LL;
  SetWriteTime(source, stamp);
  const std::string target = other.Path() + "moved";
  // A rename alone cannot cross: that is how the two are known to be on different devices.
  if (MoveFileExA(source.c_str(), target.c_str(), 0)) GTEST_SKIP() << other.Path() << " is on the same file system";
  ASSERT_EQ(GetLastError(), DWORD{ERROR_NOT_SAME_DEVICE});

  ASSERT_TRUE(MoveFileA(source.c_str(), target.c_str()));
  EXPECT_EQ(GetFileAttributesA(source.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadWholeFile(target), data);
  EXPECT_EQ(WriteTime(target), stamp);

  // Onto an existing file: refused as within one file system, both files left as they were.
  const std::string second = dir.WriteFile("second", "second");
  EXPECT_FALSE(MoveFileA(second.c_str(), target.c_str()));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
  EXPECT_EQ(ReadWholeFile(target), data);
  EXPECT_EQ(WriteTime(target), stamp);
  EXPECT_EQ(ReadWholeFile(second), "second");
  // and back, the other way across.
  EXPECT_FALSE(MoveFileA(target.c_str(), second.c_str()));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
  EXPECT_EQ(ReadWholeFile(second), "second");
  ASSERT_TRUE(MoveFileA(target.c_str(), (dir / "back").c_str()));
  EXPECT_EQ(ReadWholeFile(dir / "back"), data);
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Directories, CreateReportsExistingAndMissingParents) {
  TempDir dir;
  EXPECT_TRUE(CreateDirectoryA((dir / "new").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA((dir / "new").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
  EXPECT_FALSE(CreateDirectoryA((dir / "no\\such").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
}

TEST(FreeSpace, BothQueriesAgreeAndTheSystemLibraryOffersTheNewOne) {
  TempDir dir;
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA(dir.Path().c_str(), &available, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(available.QuadPart, total.QuadPart);
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA(dir.Path().c_str(), &sectors, &bytes, &freeClusters, &clusters));
  EXPECT_GT(uint64_t{sectors} * bytes, 0u);
  HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
  ASSERT_NE(kernel, nullptr);
  EXPECT_NE(GetProcAddress(kernel, "GetDiskFreeSpaceExA"), nullptr);
  FreeLibrary(kernel);
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

TEST(Mappings, ViewsReadAndWriteTheFile) {
  TempDir dir;
  const std::string path = dir.WriteFile("m.bin", "0123456789");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, 10), "0123456789");
  view[0] = 'X';
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ReadWholeFile(path), "X123456789");

  // A file opened for reading cannot be mapped writable; an empty file cannot be mapped whole.
  file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
  CloseHandle(file);
  const std::string empty = dir.WriteFile("empty", "");
  file = CreateFileA(empty.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_INVALID});
  CloseHandle(file);
}

}  // namespace

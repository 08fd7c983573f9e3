// CNuFileSystem: the name layout, parsing IDs back, the file operations and free space.
#include "tests/support/fixtures.h"

#include <hostkit/fs.h>

#include "fs/freespace.h"
#include "platform/faults.h"
#include "platform/scratch.h"
#include "platform/win32.h"
#include "tests/support/child.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#  include <signal.h>
#  include <sys/resource.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace {

using hk::test::ReadWholeFile;
using hk::test::TempDir;

// The four file operations carry the system's ANSI names on every build.
[[maybe_unused]] void (CNuFileSystem::*const kExported[])(const char*, const char*) = {
    &CNuFileSystem::CopyFileA, &CNuFileSystem::MoveFileA};
[[maybe_unused]] void (CNuFileSystem::*const kCreate)(const char*, DWORD, const void*) = &CNuFileSystem::CreateFileA;
[[maybe_unused]] void (CNuFileSystem::*const kDelete)(const char*) = &CNuFileSystem::DeleteFileA;

std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileStore, NameLayoutRoundTrips) {
  CNuFileSystem store("root", 0);
  const std::string root = std::string("root") + hk::kPathSeparator;
  EXPECT_EQ(std::string(store.GetFilePath(0x1A)), root + "0000001A");
  EXPECT_EQ(std::string(store.GetFilePath(0xFFFFFFFF, DWORD{1})), root + "FFFFFFFF.1");
  EXPECT_EQ(std::string(store.GetFilePath(1, 0xFFFFFFFF)), root + "00000001.-1");
  EXPECT_EQ(std::string(store.GetFilePath(0x1A, "tmp")), root + "0000001A.tmp");
  EXPECT_EQ(std::string(CNuFileSystem("C:\\data/", 0).GetFilePath(2)), "C:\\data/00000002");

  DWORD id = 0, id2 = 0;
  EXPECT_TRUE(store.GetFileIDs(store.GetFilePath(0xABCDEF12, 0x80000000), id, id2));
  EXPECT_EQ(id, 0xABCDEF12u);
  EXPECT_EQ(id2, 0x80000000u);
  EXPECT_TRUE(store.GetFileIDs("C:\\data\\0000001A.3", id, id2));
  EXPECT_EQ(id, 0x1Au);
  EXPECT_EQ(id2, 3u);
  id = id2 = 0;
  EXPECT_TRUE(store.GetFileIDs("C:/data/0000001a.3", id, id2));
  EXPECT_EQ(id, 0x1Au);
  EXPECT_EQ(id2, 3u);
  EXPECT_FALSE(store.GetFileIDs("C:\\data\\0000001B", id, id2));
  EXPECT_EQ(id, 0x1Bu);  // the first field is read even though the name does not pass
  EXPECT_FALSE(store.GetFileIDs("x/y\\123456789.1", id, id2));
  EXPECT_EQ(id, 0x12345678u);
  EXPECT_FALSE(store.GetFileIDs("0000001A.tmp", id, id2));
  // A suffix too long for a name is refused rather than cut to another file's name.
  EXPECT_THROW(
      try { store.GetFilePath(1, std::string(300, 's').c_str()); } catch (CFileException* e) {
        e->Delete();
        throw 1;
      },
      int);
}

TEST(FileStore, FileOperations) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 7);
  const CString a = store.GetFilePath(1);
  store.CreateFile(a, 5, "hello");
  EXPECT_EQ(ReadWholeFile(std::string(a)), "hello");
  store.CreateFile(a, 3, "new");  // replaces
  EXPECT_EQ(ReadWholeFile(std::string(a)), "new");
  store.CreateFile(store.GetFilePath(2, DWORD{5}), 0, nullptr);
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"00000001", "00000002.5"}));

  store.DeleteFile(store.GetFilePath(99));  // missing: silent
  store.DeleteFile(store.GetFilePath(2, DWORD{5}));
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"00000001"}));

  store.CopyFile(a, store.GetFilePath(3));
  EXPECT_EQ(ReadWholeFile(std::string(store.GetFilePath(3))), "new");
  try {
    store.CopyFile(store.GetFilePath(3), a);
    ADD_FAILURE() << "copy onto an existing file";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_strFileName, store.GetFilePath(3));  // the source is named
    EXPECT_EQ(e->m_lOsError, LONG{ERROR_FILE_EXISTS});
    e->Delete();
  }
  try {
    store.MoveFile(store.GetFilePath(3), a);
    ADD_FAILURE() << "move onto an existing file";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_strFileName, store.GetFilePath(3));
    e->Delete();
  }
  store.MoveFile(store.GetFilePath(3), store.GetFilePath(4, "bak"));
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"00000001", "00000004.bak"}));

  std::filesystem::create_directory(dir / "subdir");
  CStringArray list;
  list.Add("kept");
  store.EnumerateFiles(list);
  store.EnumerateFiles(list);
  ASSERT_EQ(list.GetSize(), 5);
  EXPECT_EQ(list[0], "kept");
  std::vector<std::string> listed;
  for (int i = 1; i < list.GetSize(); ++i) listed.push_back(std::string(list[i]));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{std::string(a), std::string(a), std::string(store.GetFilePath(4, "bak")),
                                              std::string(store.GetFilePath(4, "bak"))}));
  CStringArray none;
  CNuFileSystem(std::string(dir / "missing").c_str(), 0).EnumerateFiles(none);
  EXPECT_EQ(none.GetSize(), 0);
}

TEST(FileStore, CreateFileFailureNamesThePathAndLeavesNothing) {
  TempDir dir;
  CNuFileSystem store((dir / "no-such-dir").c_str(), 0);
  try {
    store.CreateFile(store.GetFilePath(1), 1, "x");
    ADD_FAILURE() << "created in a missing directory";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_strFileName, store.GetFilePath(1));
    e->Delete();
  }
  EXPECT_TRUE(Listing(dir.Path()).empty());
}

// The binding is process-wide; these cases put a stand-in for the system query in it and
// restore it afterwards.
class FreeSpaceTest : public ::testing::Test {
 protected:
  static BOOL WINAPI FiveGiB(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER, PULARGE_INTEGER) {
    available->QuadPart = 5ULL << 30;
    return TRUE;
  }
  static BOOL WINAPI ThreeGiB(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER, PULARGE_INTEGER) {
    available->QuadPart = 3ULL << 30;
    return TRUE;
  }
  static BOOL WINAPI Failing(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER) { return FALSE; }

  void SetUp() override {
    CNuFileSystem(dir.Path().c_str(), 0).GetFreeSpace();  // binds
    saved = hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx;
  }
  void TearDown() override { hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = saved; }

  TempDir dir;
  hk::fs::DiskFreeSpaceExFunction saved = nullptr;
};

TEST_F(FreeSpaceTest, CapsAtFourGiBAndReportsFailureAsAllOnes) {
  ASSERT_TRUE(hk::fs::g_freeSpaceBinding.initialised);
  ASSERT_NE(saved, nullptr);
  CNuFileSystem store(dir.Path().c_str(), 0);
  hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = &FiveGiB;
  EXPECT_EQ(store.GetFreeSpace(), 0xFFFFFFFFu);
  hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = &ThreeGiB;
  EXPECT_EQ(store.GetFreeSpace(), 3u << 30);
  hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = &Failing;
  EXPECT_EQ(store.GetFreeSpace(), 0xFFFFFFFFu);
}

TEST_F(FreeSpaceTest, MatchesTheSystemAndFallsBackToClusters) {
  CNuFileSystem store(dir.Path().c_str(), 0);
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA(dir.Path().c_str(), &available, &total, &free));
  const DWORD expected = (available.QuadPart >> 32) != 0 ? 0xFFFFFFFFu : static_cast<DWORD>(available.QuadPart);
  const DWORD got = store.GetFreeSpace();
  if (expected == 0xFFFFFFFFu) EXPECT_EQ(got, expected);
  else EXPECT_NEAR(static_cast<double>(got), static_cast<double>(expected), 64.0 * 1024 * 1024);
  // Without the bound query the cluster form answers, capped the same way.
  hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = nullptr;
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA(dir.Path().c_str(), &sectors, &bytes, &freeClusters, &clusters));
  const uint64_t product = uint64_t{sectors} * bytes * freeClusters;
  const DWORD old = store.GetFreeSpace();
  if ((product >> 32) != 0) EXPECT_EQ(old, 0xFFFFFFFFu);
  else EXPECT_NEAR(static_cast<double>(old), static_cast<double>(product), 64.0 * 1024 * 1024);
  EXPECT_EQ(CNuFileSystem((dir / "missing\\x").c_str(), 0).GetFreeSpace(), 0xFFFFFFFFu);
}

// Stores a file too big for the disk under an existing and under a new ID; answers a bit mask
// of what went wrong (0: every write failed and named its target).
int StoreTooMuch(CNuFileSystem& store, const std::vector<CString>& targets, LONG expectedError) {
  const std::string big(64 * 1024, 'b');
  int faults = 0;
  for (const CString& target : targets) {
    try {
      store.CreateFile(target, static_cast<DWORD>(big.size()), big.data());
      faults |= 1;  // the write should not have succeeded
    } catch (CFileException* e) {
      if (e->m_strFileName != target) faults |= 2;
      if (expectedError != 0 && e->m_lOsError != expectedError) faults |= 4;
      e->Delete();
    }
  }
  return faults;
}

TEST(FileStore, FailedWriteLeavesNoPartialFileAndKeepsTheEarlierOne) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  const CString earlier = store.GetFilePath(1);
  store.CreateFile(earlier, 3, "old");
  // A disk with room for 4 KiB more: part of each write lands, then the disk is full.
  for (const int64_t room : {int64_t{4096}, int64_t{0}}) {
    hk::sys::SetDiskFullFault(room);
    const int faults = StoreTooMuch(store, {earlier, store.GetFilePath(2)}, ERROR_DISK_FULL);
    hk::sys::SetDiskFullFault(-1);
    EXPECT_EQ(faults, 0) << "room " << room;
    EXPECT_EQ(ReadWholeFile(std::string(earlier)), "old");
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"00000001"}));
  }
#if !defined(_WIN32)
  // The same with the system's own refusal: a file-size limit in a child process.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Writes past the limit fail with EFBIG instead of killing the process.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(StoreTooMuch(store, {earlier, store.GetFilePath(2)}, 0));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadWholeFile(std::string(earlier)), "old");
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"00000001"}));
#endif
}

// Stores bytes under a path; false when the store throws.
bool Stores(CNuFileSystem& store, const CString& path, const std::string& data) {
  try {
    store.CreateFile(path, static_cast<DWORD>(data.size()), data.data());
    return true;
  } catch (CFileException* e) {
    e->Delete();
    return false;
  }
}

// Every name the volume holds can be stored, up to its 255-character limit: the scratch name a
// put writes first is never longer than the name itself.
TEST(FileStore, NamesUpToTheVolumesLimitAreStored) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  for (const int length : {241, 242, 250, 255}) {
    const CString path = store.GetFilePath(1, std::string(length - 9, 's').c_str());  // "00000001." first
    if (dir.Path().size() + length >= MAX_PATH && hk::kPathSeparator == '\\')
      GTEST_SKIP() << "Windows names stop at " << MAX_PATH << " characters";
    EXPECT_TRUE(Stores(store, path, "data")) << length;
    EXPECT_EQ(ReadWholeFile(std::string(path)), "data") << length;
  }
  EXPECT_FALSE(Stores(store, store.GetFilePath(1, std::string(256 - 9, 's').c_str()), "data"));
}

// A put whose process was killed leaves its scratch file behind: the store never lists it, and
// clears it away once no writer holds it; a scratch file being written is left alone.
TEST(FileStore, ScratchFilesAreNeverListedAndAKilledPutsAreCleared) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  ASSERT_TRUE(Stores(store, store.GetFilePath(1), "one"));
  const std::string writing = hk::ScratchNameFor(store.GetFilePath(2), 0x1234ABCD);
  HANDLE writer = CreateFileA(writing.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
#if !defined(_WIN32)
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    hk::sys::SetCallFault(hk::sys::Call::Write, 1, 0, +[] { raise(SIGKILL); });
    return Stores(store, store.GetFilePath(3), "three") ? 0 : 1;
  });
  EXPECT_EQ(end.signal, SIGKILL);
  EXPECT_EQ(Listing(dir.Path()).size(), 3u);  // the stored file and two scratch files
#endif
  CStringArray listed;
  store.EnumerateFiles(listed);
  ASSERT_EQ(listed.GetSize(), 1);
  EXPECT_EQ(std::string(listed[0]), std::string(store.GetFilePath(1)));
  CloseHandle(writer);
  const std::string own = writing.substr(dir.Path().size());
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"00000001", own}));
}

}  // namespace

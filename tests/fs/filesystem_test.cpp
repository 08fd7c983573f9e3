// CNuFileSystem: the name layout, parsing IDs back, the file operations and free space.
#include "tests/support/capture.h"
#include "tests/support/child.h"
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include <hostkit/fs.h>

#include "fs/freespace.h"
#include "platform/faults.h"
#include "platform/scratch.h"
#include "platform/win32.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

using hk::test::ReadWholeFile;
using hk::test::TempDir;
using Names = std::vector<std::string>;

Names Listing(const std::string& dir) {
  Names names;
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
  EXPECT_EQ(std::string(CNuFileSystem("C:\\data/", 0).GetFilePath(2)), "C:\\data/00000002");
  // A suffix too long for a name is refused rather than cut to another file's name.
  EXPECT_TRUE(hk::test::Capture<CFileException>([&] { store.GetFilePath(1, std::string(300, 's').c_str()); }).thrown);

  const struct {
    std::string name;
    BOOL parsed;
    DWORD id, id2;  // id is read even from a name that does not pass; id2 only from one that does
  } kNames[] = {
      {std::string(store.GetFilePath(0xABCDEF12, 0x80000000)), TRUE, 0xABCDEF12, 0x80000000},
      {"C:\\data\\0000001A.3", TRUE, 0x1A, 3},
      {"C:/data/0000001a.3", TRUE, 0x1A, 3},
      {"C:\\data\\0000001B", FALSE, 0x1B, 7},
      {"x/y\\123456789.1", FALSE, 0x12345678, 7},
      {"0000001A.tmp", FALSE, 0x1A, 7},
  };
  for (const auto& c : kNames) {
    DWORD id = 0, id2 = 7;
    EXPECT_EQ(store.GetFileIDs(c.name.c_str(), id, id2), c.parsed) << c.name;
    EXPECT_EQ(id, c.id) << c.name;
    EXPECT_EQ(id2, c.id2) << c.name;
  }
}

TEST(FileStore, FileOperations) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 7);
  const CString a = store.GetFilePath(1), b = store.GetFilePath(3);
  store.CreateFile(a, 5, "hello");
  store.CreateFile(a, 3, "new");  // replaces
  EXPECT_EQ(ReadWholeFile(std::string(a)), "new");
  store.CreateFile(store.GetFilePath(2, DWORD{5}), 0, nullptr);
  EXPECT_EQ(Listing(dir.Path()), (Names{"00000001", "00000002.5"}));
  store.DeleteFile(store.GetFilePath(99));  // missing: silent
  store.DeleteFile((dir / "no-such-dir/x").c_str());
  store.DeleteFile(store.GetFilePath(2, DWORD{5}));
  store.CopyFile(a, b);
  EXPECT_EQ(ReadWholeFile(std::string(b)), "new");
  // Failures name the source, and change nothing.
  for (const auto& operation : {&CNuFileSystem::CopyFile, &CNuFileSystem::MoveFile}) {
    const hk::test::Thrown thrown = hk::test::Capture<CFileException>([&] { (store.*operation)(b, a); });
    EXPECT_EQ(thrown.fileName, std::string(b));
    EXPECT_EQ(thrown.osError,
              static_cast<LONG>(operation == &CNuFileSystem::CopyFile ? ERROR_FILE_EXISTS : ERROR_ALREADY_EXISTS));
  }
  store.MoveFile(b, store.GetFilePath(4, "bak"));
  EXPECT_EQ(Listing(dir.Path()), (Names{"00000001", "00000004.bak"}));
}

// What the stand-in for the system's free-space query answers; 0: the query fails. A function
// of its own, as the binding's calling convention is the system's (a lambda has the default one).
ULONGLONG g_available;
BOOL WINAPI AvailableSpace(LPCSTR, PULARGE_INTEGER out, PULARGE_INTEGER, PULARGE_INTEGER) {
  out->QuadPart = g_available;
  return g_available != 0 ? TRUE : FALSE;
}

// The binding is process-wide: the stand-in is put in it, and the bound query put back at the end.
TEST(FileStore, FreeSpaceCapsAtFourGiBAndReportsFailureAsAllOnes) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  store.GetFreeSpace();  // binds
  const hk::fs::DiskFreeSpaceExFunction saved = hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx;
  ASSERT_TRUE(hk::fs::g_freeSpaceBinding.initialised && saved != nullptr);
  hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = AvailableSpace;
  for (const ULONGLONG value : {5ULL << 30, 4ULL << 30, (4ULL << 30) - 2, 3ULL << 30, 0ULL}) {
    g_available = value;
    EXPECT_EQ(store.GetFreeSpace(), value >= (4ULL << 30) || value == 0 ? 0xFFFFFFFFu : value) << value;
  }
  hk::fs::g_freeSpaceBinding.getDiskFreeSpaceEx = saved;
}

// Stores a file too big for the disk under an existing and under a new ID; answers a bit mask
// of what went wrong (0: every write failed and named its target).
int StoreTooMuch(CNuFileSystem& store, LONG expectedError) {
  const std::string big(64 * 1024, 'b');
  int faults = 0;
  for (const CString& target : {store.GetFilePath(1), store.GetFilePath(2)}) {
    const hk::test::Thrown thrown = hk::test::Capture<CFileException>(
        [&] { store.CreateFile(target, static_cast<DWORD>(big.size()), big.data()); });
    if (!thrown.thrown) faults |= 1;
    if (thrown.fileName != std::string(target)) faults |= 2;
    if (expectedError != 0 && thrown.osError != expectedError) faults |= 4;
  }
  return faults;
}

// A disk with room for 4 KiB more (part of each write lands) or none, and the system's own
// refusal (a file-size limit in a child process): no partial file, the earlier one kept.
TEST(FileStore, FailedWriteLeavesNoPartialFileAndKeepsTheEarlierOne) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  store.CreateFile(store.GetFilePath(1), 3, "old");
  for (const int64_t room : {int64_t{4096}, int64_t{0}}) {
    hk::sys::SetDiskFullFault(room);
    const int faults = StoreTooMuch(store, ERROR_DISK_FULL);
    hk::sys::SetDiskFullFault(-1);
    EXPECT_EQ(faults, 0) << "room " << room;
    EXPECT_EQ(ReadWholeFile(std::string(store.GetFilePath(1))), "old");
    EXPECT_EQ(Listing(dir.Path()), (Names{"00000001"}));
  }
#if !defined(_WIN32)
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead of killing the process
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    return StoreTooMuch(store, 0);
  });
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(ReadWholeFile(std::string(store.GetFilePath(1))), "old");
  EXPECT_EQ(Listing(dir.Path()), (Names{"00000001"}));
#endif
}

// Every name the volume holds can be stored, up to its 255-character limit: the scratch name a
// put writes first is never longer than the name itself.
TEST(FileStore, NamesUpToTheVolumesLimitAreStored) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  for (const int length : {241, 250, 255, 256}) {
    const CString path = store.GetFilePath(1, std::string(length - 9, 's').c_str());  // "00000001." first
    if (dir.Path().size() + length >= MAX_PATH && hk::kPathSeparator == '\\')
      GTEST_SKIP() << "Windows names stop at " << MAX_PATH << " characters";
    EXPECT_EQ(hk::test::Capture<CFileException>([&] { store.CreateFile(path, 4, "data"); }).thrown, length > 255);
    EXPECT_EQ(ReadWholeFile(std::string(path)), length > 255 ? "" : "data") << length;
  }
}

// A put whose process was killed leaves its scratch file behind: the store never lists it, and
// clears it away once no writer holds it; a scratch file being written is left alone.
TEST(FileStore, ScratchFilesAreNeverListedAndAKilledPutsAreCleared) {
  TempDir dir;
  CNuFileSystem store(dir.Path().c_str(), 0);
  store.CreateFile(store.GetFilePath(1), 3, "one");
  const std::string writing = hk::ScratchNameFor(store.GetFilePath(2), 0x1234ABCD);
  HANDLE writer = CreateFileA(writing.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
#if !defined(_WIN32)
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    hk::sys::SetCallFault(
        hk::sys::Call::Write, 1, 0, +[] { raise(SIGKILL); });
    store.CreateFile(store.GetFilePath(3), 5, "three");
    return 0;
  });
  EXPECT_EQ(end.signal, SIGKILL);
  EXPECT_EQ(Listing(dir.Path()).size(), 3u);  // the stored file and two scratch files
#endif
  // A killed copy of a read-only file leaves a read-only scratch file.
  const std::string copied = hk::ScratchNameFor(store.GetFilePath(4), 7);
  CloseHandle(CreateFileA(copied.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr));
  // Files only, added after what the list holds.
  std::filesystem::create_directory(dir / "subdir");
  CStringArray listed;
  listed.Add("kept");
  store.EnumerateFiles(listed);
  EXPECT_EQ(hk::test::Strings(listed), (Names{"kept", std::string(store.GetFilePath(1))}));
  CloseHandle(writer);
  EXPECT_EQ(Listing(dir.Path()), (Names{"00000001", "subdir", writing.substr(dir.Path().size())}));
}

}  // namespace

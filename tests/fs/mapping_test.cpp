// CNuFileMapping: read-only and writable maps, growing, empty files, closing.
#include "tests/support/fixtures.h"

#include <hostkit/fs.h>

#include "platform/faults.h"
#include "platform/win32.h"

#include <cstring>
#include <string>

namespace {

using hk::test::ReadWholeFile;
using hk::test::TempDir;

TEST(FileMapping, ReadOnlyMapOfAnExistingFile) {
  TempDir dir;
  const std::string path = dir.WriteFile("ten", "0123456789");
  CNuFileMapping mapping;
  mapping.Open(path.c_str(), 0);
  DWORD size = 0;
  const void* data = nullptr;
  mapping.GetBuffer(size, data);
  ASSERT_EQ(size, 10u);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), "0123456789");
  // Others may read the file meanwhile, not write it.
  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  mapping.Close();
  mapping.Close();  // harmless
}

// A file that must grow past the free space of its volume throws (disk full) in Open, instead of
// killing the process with SIGBUS when the view is written; the file keeps its size.
TEST(FileMapping, GrowingPastTheFreeSpaceThrowsDiskFull) {
  TempDir dir;
  const std::string path = dir.WriteFile("small", "0123456789");
  // A volume with 4 KiB left, and (where the library reserves the blocks itself) a reservation
  // the volume refuses.
  for (int way = 0; way < 2; ++way) {
    if (way == 0) hk::sys::SetDiskFullFault(4096);
    else if (!hk::sys::SetCallFault(hk::sys::Call::Allocate, 1, ERROR_DISK_FULL)) break;
    DWORD error = 0;
    CNuFileMapping mapping;
    try {
      mapping.Open(path.c_str(), 1024 * 1024);
    } catch (CNuOSException* e) {
      error = e->m_dwError;
      e->Delete();
    }
    hk::sys::SetDiskFullFault(-1);
    hk::sys::SetCallFault(hk::sys::Call::Allocate, 0, 0);
    mapping.Close();
    EXPECT_EQ(error, DWORD{ERROR_DISK_FULL}) << way;
    EXPECT_EQ(ReadWholeFile(path), "0123456789") << way;
  }
}

TEST(FileMapping, WritableMapGrowsAMissingFileAndWritesReachTheDisk) {
  TempDir dir;
  const std::string path = dir / "new.bin";
  CNuFileMapping mapping;
  mapping.Open(path.c_str(), 100);
  DWORD size = 0;
  void* data = nullptr;
  mapping.GetBuffer(size, data);
  ASSERT_EQ(size, 100u);
  ASSERT_NE(data, nullptr);
  std::memset(data, 'w', size);
  std::memcpy(data, "head", 4);
  // The writable mode holds the file exclusively.
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
  mapping.Close();
  EXPECT_EQ(ReadWholeFile(path), "head" + std::string(96, 'w'));
}

TEST(FileMapping, NeverShrinksAndMapsEmptyFilesAsNothing) {
  TempDir dir;
  const std::string path = dir.WriteFile("big", std::string(200, 'b'));
  CNuFileMapping mapping;
  mapping.Open(path.c_str(), 100);
  DWORD size = 0;
  void* data = nullptr;
  mapping.GetBuffer(size, data);
  EXPECT_EQ(size, 200u);
  mapping.Close();
  EXPECT_EQ(ReadWholeFile(path).size(), 200u);

  const std::string empty = dir.WriteFile("empty", "");
  mapping.Open(empty.c_str(), 0);
  const void* view = &size;
  mapping.GetBuffer(size, view);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(view, nullptr);
  // Opening again closes what was open first.
  mapping.Open((dir / "missing").c_str(), 0);
  mapping.GetBuffer(size, view);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(view, nullptr);
}

TEST(FileMapping, FailuresThrowTheSystemError) {
  TempDir dir;
  CNuFileMapping mapping;
  try {
    mapping.Open((dir / "no\\such\\file").c_str(), 0);
    ADD_FAILURE() << "opened a file in a missing directory";
  } catch (CNuOSException* e) {
    EXPECT_EQ(e->m_dwError, DWORD{ERROR_PATH_NOT_FOUND});
    e->Delete();
  }
  mapping.Close();
  {
    CNuFileMapping never;  // destroyed without having been opened
  }
}

// Closes the file under the mapping's feet, so that its own close fails.
class SabotagedMapping : public CNuFileMapping {
 public:
  void CloseFileBehindItsBack() { CloseHandle(m_hFile); }
};

TEST(FileMapping, CloseAttemptsEveryStepThenThrowsButTheDestructorDoesNot) {
  TempDir dir;
  const std::string path = dir.WriteFile("f", "abc");
  {
    SabotagedMapping mapping;
    mapping.Open(path.c_str(), 0);
    mapping.CloseFileBehindItsBack();
    try {
      mapping.Close();
      ADD_FAILURE() << "a failed close was not reported";
    } catch (CNuOSException* e) {
      EXPECT_EQ(e->m_dwError, DWORD{ERROR_INVALID_HANDLE});
      e->Delete();
    }
    DWORD size = 0;
    const void* view = &size;
    mapping.GetBuffer(size, view);
    EXPECT_EQ(view, nullptr);  // the view went although the file's close failed
    mapping.Close();           // nothing left to close
  }
  {
    SabotagedMapping mapping;
    mapping.Open(path.c_str(), 0);
    mapping.CloseFileBehindItsBack();
  }  // the destructor's failed close does not escape
  SUCCEED();
}

}  // namespace

// CNuFileMapping: read-only and writable maps, growing, empty files, closing.
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"

#include <hostkit/fs.h>

#include "platform/faults.h"
#include "platform/win32.h"

#include <cstring>
#include <string>

namespace {

using hk::test::ErrorOf;
using hk::test::ReadWholeFile;
using hk::test::TempDir;

// The bytes a mapping shows; "" when it has no view.
std::string Mapped(const CNuFileMapping& mapping) {
  DWORD size = 0;
  const void* data = &size;
  mapping.GetBuffer(size, data);
  return data != nullptr ? std::string(static_cast<const char*>(data), size) : std::string();
}

// Open in the mode of each case: the file it shows, and whether others may read or write it
// meanwhile (read-only: readers only; writable: no one).
TEST(FileMapping, MapsInEitherModeAndSharesOnlyForReading) {
  TempDir dir;
  const std::string path = dir.WriteFile("ten", "0123456789");
  for (const DWORD writeSize : {0u, 4u, 10u}) {
    CNuFileMapping mapping;
    mapping.Open(path.c_str(), writeSize);
    EXPECT_EQ(Mapped(mapping), "0123456789") << writeSize;  // never shrinks
    HANDLE reader =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader != INVALID_HANDLE_VALUE ? 0u : GetLastError(), writeSize == 0 ? 0u : ERROR_SHARING_VIOLATION);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    mapping.Close();
  }
  EXPECT_EQ(ReadWholeFile(path), "0123456789");
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
  // Opening again closes what was open first: the bytes are on the disk.
  mapping.Open((dir / "missing").c_str(), 0);
  EXPECT_EQ(Mapped(mapping), "");
  EXPECT_EQ(ReadWholeFile(path), "head" + std::string(96, 'w'));
  mapping.Open(dir.WriteFile("empty", "").c_str(), 0);  // an empty file maps as nothing
  EXPECT_EQ(Mapped(mapping), "");
}

// A file that must grow past the free space of its volume throws (disk full) in Open, instead of
// killing the process with SIGBUS when the view is written; the file keeps its size.
TEST(FileMapping, GrowingPastTheFreeSpaceThrowsDiskFull) {
  TempDir dir;
  const std::string path = dir.WriteFile("small", "0123456789");
  CNuFileMapping mapping;
  hk::sys::SetDiskFullFault(4096);  // a volume with 4 KiB left
  const DWORD error = ErrorOf<CNuOSException>([&] { mapping.Open(path.c_str(), 1024 * 1024); });
  hk::sys::SetDiskFullFault(-1);
  mapping.Close();
  EXPECT_EQ(error, DWORD{ERROR_DISK_FULL});
  EXPECT_EQ(ReadWholeFile(path), "0123456789");
  EXPECT_EQ(ErrorOf<CNuOSException>([&] { mapping.Open((dir / "no\\such\\file").c_str(), 0); }),
            DWORD{ERROR_PATH_NOT_FOUND});
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
    EXPECT_EQ(ErrorOf<CNuOSException>([&] { mapping.Close(); }), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(Mapped(mapping), "");  // the view went although the file's close failed
    mapping.Close();                 // nothing left to close
  }
  SabotagedMapping mapping;
  mapping.Open(path.c_str(), 0);
  mapping.CloseFileBehindItsBack();
  // The destructor's failed close does not escape.
}

}  // namespace

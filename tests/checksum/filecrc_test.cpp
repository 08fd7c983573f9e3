// GetFileCRC32: the value GetCRC32 gives for the same bytes across block boundaries, and which
// files it refuses.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <filesystem>
#include <random>

namespace {

std::string RandomText(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

// The cause of the CFileException a checksum of the file throws; -1 when it throws none. The
// size must be left alone.
int FailureCause(const std::string& path) {
  ULONGLONG size = 99;
  int cause = -1;
  try {
    GetFileCRC32(CString(path.c_str()), size);
  } catch (CFileException* e) {
    cause = e->m_cause;
    e->Delete();
  }
  EXPECT_EQ(size, 99u) << path;
  return cause;
}

TEST(FileCrc32, EqualsTheBufferChecksumOfTheSameBytes) {
  hk::test::TempDir dir;
  // Around the read block (64 KiB) and a few blocks long, where a block is lost or read twice.
  for (size_t count : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{65537}, size_t{200003}}) {
    std::string bytes = RandomText(count, static_cast<uint32_t>(count) + 1);
    const std::string path = dir.WriteFile("f" + std::to_string(count), bytes);
    ULONGLONG size = 99;
    const DWORD crc = GetFileCRC32(CString(path.c_str()), size);
    EXPECT_EQ(crc, GetCRC32(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(count))) << count;
    EXPECT_EQ(size, count);
  }
  ULONGLONG size = 0;
  EXPECT_EQ(GetFileCRC32(CString(dir.WriteFile("abc", "abc").c_str()), size), 0x8FAEA5D9u);
  EXPECT_EQ(size, 3u);
}

TEST(FileCrc32, ReadersMayShareTheFileButNotAWriter) {
  hk::test::TempDir dir;
  const std::string path = dir.WriteFile("shared", "abc");
  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  ULONGLONG size = 0;
  EXPECT_EQ(GetFileCRC32(CString(path.c_str()), size), 0x8FAEA5D9u);
  CloseHandle(reader);

  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FailureCause(path), CFileException::sharingViolation);
  CloseHandle(writer);
}

TEST(FileCrc32, RefusesWhatIsNotAReadableFile) {
  hk::test::TempDir dir;
  EXPECT_EQ(FailureCause(dir / "missing"), CFileException::fileNotFound);
  std::filesystem::create_directory(dir / "folder");
  EXPECT_NE(FailureCause(dir / "folder"), -1);
}

}  // namespace

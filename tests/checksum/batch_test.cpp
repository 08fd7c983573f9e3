// Checksums of many files in one call: every kind of file a batch meets (empty, large, around
// the read size, missing, a directory, special files, one kept from its reader), each with its
// own result, in batches small enough for one worker and large enough for several; and
// GetFileCRC32, a batch of one file, for what it adds: the value handed back or the refusal.
#include "tests/support/capture.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstring>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using hk::test::RandomBytes;

std::string Md5Of(std::string bytes) {
  CNuMD5 md5;
  md5.GetBufferMD5(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  return std::string(reinterpret_cast<const char*>(md5.GetData().GetData()), 16);
}

DWORD Crc32Of(std::string bytes) {
  return GetCRC32(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
}

std::vector<FileDigest> Digest(const std::vector<std::string>& names, DWORD kinds) {
  CStringArray paths;
  for (const auto& name : names) paths.Add(name.c_str());
  std::vector<FileDigest> results(names.size());
  GetFileDigests(paths, kinds, results.data());
  return results;
}

// Regular files of the sizes that matter to the reader and the lanes, and names that must fail
// with their error: missing, a directory, a file another holder writes and, where the system
// has them, a FIFO without a writer (which would block a reader that opened it) and an endless
// device.
class Batch : public testing::Test {
 protected:
  void SetUp() override {
    const size_t piece = 128 * 1024;
    for (size_t size : {size_t{0}, size_t{1}, size_t{55}, size_t{64}, piece - 1, piece, piece + 1, size_t{2} << 20}) {
      const std::string bytes = RandomBytes(size, static_cast<uint32_t>(size));
      m_expected.push_back({dir.WriteFile("f" + std::to_string(size), bytes), bytes, ERROR_SUCCESS});
    }
    m_expected.push_back({dir / "missing", "", ERROR_FILE_NOT_FOUND});
    m_expected.push_back({dir / "no-such-dir/f", "", ERROR_PATH_NOT_FOUND});
    CreateDirectoryA((dir / "dir").c_str(), nullptr);
    m_expected.push_back({dir / "dir", "", ERROR_ACCESS_DENIED});
    m_expected.push_back({dir.WriteFile("busy", "x"), "", ERROR_SHARING_VIOLATION});
    m_writer = CreateFileA((dir / "busy").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
#if defined(_WIN32)
    m_expected.push_back({"NUL", "", ERROR_OPEN_FAILED});
#else
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    m_expected.push_back({dir / "fifo", "", ERROR_OPEN_FAILED});
    m_expected.push_back({"/dev/zero", "", ERROR_OPEN_FAILED});
#endif
  }

  // Every name, 'rounds' times over in a shuffled order, each with its own outcome.
  void Check(int rounds, DWORD kinds) {
    std::vector<const Expected*> order;
    for (int round = 0; round < rounds; ++round)
      for (const Expected& e : m_expected) order.push_back(&e);
    std::shuffle(order.begin(), order.end(), std::mt19937(static_cast<uint32_t>(rounds + kinds)));
    std::vector<std::string> names;
    for (const Expected* e : order) names.push_back(e->name);
    const std::vector<FileDigest> outcomes = Digest(names, kinds);
    for (size_t i = 0; i < names.size(); ++i) {
      SCOPED_TRACE(names[i]);
      ASSERT_EQ(outcomes[i].error, order[i]->error);
      if (order[i]->error != ERROR_SUCCESS) continue;
      EXPECT_EQ(outcomes[i].size, order[i]->bytes.size());
      if (kinds & DigestMD5) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(outcomes[i].md5), 16), Md5Of(order[i]->bytes));
      }
      if (kinds & DigestCRC32) {
        EXPECT_EQ(outcomes[i].crc32, Crc32Of(order[i]->bytes));
      }
    }
  }

  struct Expected {
    std::string name, bytes;
    DWORD error;
  };
  void TearDown() override { CloseHandle(m_writer); }

  hk::test::TempDir dir;
  std::vector<Expected> m_expected;
  HANDLE m_writer = INVALID_HANDLE_VALUE;
};

// One round fits one worker; eight need every worker the machine allows, the lanes refilled
// many times over.
TEST_F(Batch, EveryFileGetsItsOwnResult) {
  for (DWORD kinds : {DWORD{DigestMD5}, DWORD{DigestCRC32}, DWORD{DigestMD5 | DigestCRC32}}) Check(1, kinds);
  Check(8, DigestMD5 | DigestCRC32);
  Check(8, DigestCRC32);
}

// A file its reader may not read fails on its own, between files that are read. Run as
// another user, since the administrator that CI runs as reads everything.
TEST(BatchAccess, AFileTheReaderMayNotReadFailsAlone) {
#if defined(_WIN32)
  GTEST_SKIP() << "permissions that keep the test's own user out cannot be set up here";
#else
  hk::test::TempDir dir;
  const std::string before = dir.WriteFile("before", "one"), after = dir.WriteFile("after", "two");
  const std::string closed = dir.WriteFile("closed", "secret");
  ASSERT_EQ(chmod(closed.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const hk::test::ChildEnd end = hk::test::RunInChild([&] {
    if (geteuid() == 0 && !hk::test::BecomeNobody()) return 100;
    const auto outcomes = Digest({before, closed, after}, DigestMD5);
    const bool right = outcomes[0].error == ERROR_SUCCESS && outcomes[1].error == ERROR_ACCESS_DENIED &&
                       outcomes[2].error == ERROR_SUCCESS && std::memcmp(outcomes[2].md5, Md5Of("two").data(), 16) == 0;
    return right ? 0 : 1;
  });
  if (end.code == 100) GTEST_SKIP() << "cannot become the user nobody";
  EXPECT_EQ(end.signal, 0);
  EXPECT_EQ(end.code, 0);
#endif
}

// GetFileCRC32 gives the value and size, or throws the cause of the refusal and leaves the size.
// A file this large, a batch of one, is read in parts on several threads and their values joined.
TEST(FileCrc32, GivesTheValueAndSizeOrTheCauseOfTheRefusal) {
  hk::test::TempDir dir;
  const std::string bytes = RandomBytes((48 << 20) + 5, 9), path = dir.WriteFile("large", bytes);
  ULONGLONG size = 0;
  EXPECT_EQ(GetFileCRC32(CString(path.c_str()), size), Crc32Of(bytes));
  EXPECT_EQ(size, bytes.size());
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  for (const auto& [name, cause] : {std::pair{path, CFileException::sharingViolation},
                                    std::pair{dir / "missing", CFileException::fileNotFound}}) {
    EXPECT_EQ(hk::test::CodeOf<CFileException>([&] { GetFileCRC32(CString(name.c_str()), size = 99); }), cause);
    EXPECT_EQ(size, 99u);
  }
  CloseHandle(writer);
}

}  // namespace

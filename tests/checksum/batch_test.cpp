// Checksums of many files in one call: every kind of file a batch meets (empty, large, around
// the read size, missing, a directory, special files, one kept from its reader), each with its
// own result, in batches small enough for one worker and large enough for several.
#include "tests/support/fixtures.h"

#include "platform/scanfile.h"
#include "platform/win32.h"

#include <cstring>
#include <random>

#if !defined(_WIN32)
#  include <pwd.h>
#  include <sys/stat.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace {

std::string PatternBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (auto& c : bytes) c = static_cast<char>(random());
  return bytes;
}

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

// A name a batch must refuse without reading, and the error it gives.
struct Refused {
  std::string name;
  DWORD error;
};

// Regular files of the sizes that matter to the reader and the lanes, and names that must fail:
// missing, a directory and, where the system has them, a FIFO without a writer (which would
// block a reader that opened it) and an endless device.
class Batch : public testing::Test {
 protected:
  void SetUp() override {
    const size_t piece = 128 * 1024;
    for (size_t size : {size_t{0}, size_t{1}, size_t{55}, size_t{64}, size_t{4096}, piece - 1, piece, piece + 1,
                        3 * piece, size_t{2} << 20})
      m_files.push_back({m_dir.WriteFile("f" + std::to_string(size), PatternBytes(size, static_cast<uint32_t>(size))),
                         PatternBytes(size, static_cast<uint32_t>(size))});
    m_refused.push_back({m_dir / "missing", ERROR_FILE_NOT_FOUND});
    m_refused.push_back({m_dir / "no-such-dir/f", ERROR_PATH_NOT_FOUND});
    CreateDirectoryA((m_dir / "dir").c_str(), nullptr);
    m_refused.push_back({m_dir / "dir", ERROR_ACCESS_DENIED});
#if defined(_WIN32)
    m_refused.push_back({"NUL", ERROR_OPEN_FAILED});
#else
    ASSERT_EQ(mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    m_refused.push_back({m_dir / "fifo", ERROR_OPEN_FAILED});
    m_refused.push_back({"/dev/zero", ERROR_OPEN_FAILED});
#endif
  }

  // The files and refused names interleaved, 'rounds' times over.
  void Check(int rounds, DWORD kinds) {
    std::vector<std::string> names;
    for (int round = 0; round < rounds; ++round) {
      for (size_t i = 0; i < std::max(m_files.size(), m_refused.size()); ++i) {
        if (i < m_files.size()) names.push_back(m_files[i].first);
        if (i < m_refused.size()) names.push_back(m_refused[i].name);
      }
    }
    const std::vector<FileDigest> outcomes = Digest(names, kinds);
    for (size_t i = 0; i < names.size(); ++i) {
      SCOPED_TRACE(names[i]);
      const FileDigest& outcome = outcomes[i];
      auto file = std::find_if(m_files.begin(), m_files.end(), [&](const auto& f) { return f.first == names[i]; });
      if (file == m_files.end()) {
        auto refused = std::find_if(m_refused.begin(), m_refused.end(), [&](const auto& r) { return r.name == names[i]; });
        EXPECT_EQ(outcome.error, refused->error);
        continue;
      }
      ASSERT_EQ(outcome.error, static_cast<DWORD>(ERROR_SUCCESS));
      EXPECT_EQ(outcome.size, file->second.size());
      if (kinds & DigestMD5) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(outcome.md5), 16), Md5Of(file->second));
      }
      if (kinds & DigestCRC32) {
        EXPECT_EQ(outcome.crc32, Crc32Of(file->second));
      }
    }
  }

  hk::test::TempDir m_dir;
  std::vector<std::pair<std::string, std::string>> m_files;  // name, content
  std::vector<Refused> m_refused;
};

TEST_F(Batch, EveryFileGetsItsOwnResult) {
  for (DWORD kinds : {DWORD{DigestMD5}, DWORD{DigestCRC32}, DWORD{DigestMD5 | DigestCRC32}}) {
    SCOPED_TRACE(kinds);
    Check(1, kinds);
  }
}

// Enough files for every worker the machine allows, the lanes refilled many times over.
TEST_F(Batch, LargeBatchesGiveTheSameResults) {
  Check(8, DigestMD5 | DigestCRC32);
  Check(8, DigestCRC32);
}

// A batch of one large file reads it in parts on several threads and joins their values.
TEST(BatchParts, ALargeFileReadInPartsHasTheValueOfTheWhole) {
  hk::test::TempDir dir;
  const std::string bytes = PatternBytes((48 << 20) + 5, 9);
  const std::string name = dir.WriteFile("large", bytes);
  const FileDigest outcome = Digest({name}, DigestCRC32)[0];
  EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(outcome.size, bytes.size());
  EXPECT_EQ(outcome.crc32, Crc32Of(bytes));
}

// A file another holder writes is not read, and the batch keeps writers out while it reads.
TEST(BatchSharing, WritersAndBatchReadersExcludeEachOther) {
  hk::test::TempDir dir;
  const std::string name = dir.WriteFile("busy", "some bytes");
  HANDLE writer = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Digest({name}, DigestMD5)[0].error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(writer);

  hk::ScanFile reading;
  ASSERT_TRUE(hk::OpenScanFile(name.c_str(), reading));
  HANDLE reader = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "a reader must not be kept out";
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  writer = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  hk::CloseScanFile(reading);
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
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(10);
    }
    const auto outcomes = Digest({before, closed, after}, DigestMD5);
    const bool right = outcomes[0].error == ERROR_SUCCESS && outcomes[1].error == ERROR_ACCESS_DENIED &&
                       outcomes[2].error == ERROR_SUCCESS && std::memcmp(outcomes[2].md5, Md5Of("two").data(), 16) == 0;
    _exit(right ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace

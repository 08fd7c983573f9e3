// CNuMD5 and GetFileMD5: the RFC 1321 suite, file digests, the value type and exclusive opening.
#include "tests/support/fixtures.h"

#include "checksum/md5.h"
#include "platform/win32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

std::string Hex(const CByteArray& digest) {
  std::string text;
  char two[3];
  for (int i = 0; i < digest.GetSize(); ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    text += two;
  }
  return text;
}

std::string BufferDigest(const std::string& bytes) {
  std::string copy(bytes);
  CNuMD5 md5;
  md5.GetBufferMD5(reinterpret_cast<unsigned char*>(copy.data()), static_cast<int>(copy.size()));
  return Hex(md5.GetData());
}

std::string PatternBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (auto& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// What the system's md5sum prints for a file, where there is one to run.
std::string SystemMd5sum(const std::string& path) {
#if defined(_WIN32)
  (void)path;
  return {};
#else
  std::string command = "md5sum '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  char line[512] = {};
  const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  return got ? std::string(line).substr(0, 32) : std::string();
#endif
}

TEST(Md5, Rfc1321Suite) {
  EXPECT_EQ(BufferDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(BufferDigest("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(BufferDigest("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(BufferDigest("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(BufferDigest("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(BufferDigest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(BufferDigest("1234567890123456789012345678901234567890123456789012345678901234567890123456789"
                         "0"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  // Random piece sizes fill blocks across calls, pass whole blocks through after a partial one
  // and end calls mid-block; each way must give the digest of the bytes fed at once.
  const std::string bytes = PatternBytes(20000, 7);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  hk::checksum::Md5State whole;
  hk::checksum::Md5Init(whole);
  hk::checksum::Md5Update(whole, data, bytes.size());
  hk::checksum::Md5Finish(whole);
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    hk::checksum::Md5State pieces;
    hk::checksum::Md5Init(pieces);
    for (size_t at = 0; at < bytes.size();) {
      const size_t n = std::min<size_t>(bytes.size() - at, random() % 200);
      hk::checksum::Md5Update(pieces, data + at, n);
      at += n;
    }
    hk::checksum::Md5Finish(pieces);
    ASSERT_EQ(0, std::memcmp(pieces.digest, whole.digest, sizeof whole.digest)) << "round " << round;
  }
}

TEST(Md5, ZeroCountAndNullBufferGiveTheEmptyDigest) {
  CNuMD5 md5;
  md5.GetBufferMD5(nullptr, 0);
  EXPECT_EQ(Hex(md5.GetData()), "d41d8cd98f00b204e9800998ecf8427e");
}

const size_t kFileSizes[] = {0, 1, 55, 56, 63, 64, 65, 1023, 1024, 65535, 65536, 65537, 3 * 1024 * 1024 + 7};

TEST(Md5, FileDigestEqualsBufferDigestAndReportsTheSize) {
  hk::test::TempDir dir;
  for (size_t size : kFileSizes) {
    const std::string bytes = PatternBytes(size, static_cast<uint32_t>(size));
    CString name(dir.WriteFile("f" + std::to_string(size), bytes).c_str());
    CByteArray digest;
    DWORD length = 12345;
    GetFileMD5(name, digest, length);
    EXPECT_EQ(length, size);
    ASSERT_EQ(digest.GetSize(), 16);
    EXPECT_EQ(Hex(digest), BufferDigest(bytes)) << size;

    CNuMD5 member;
    DWORD memberLength = 0;
    member.GetFileMD5(name, memberLength);
    EXPECT_EQ(memberLength, size);
    EXPECT_EQ(Hex(member.GetData()), Hex(digest));
  }
}

TEST(Md5, FileDigestEqualsMd5sum) {
  hk::test::TempDir dir;
  for (size_t size : kFileSizes) {
    const std::string path = dir.WriteFile("f" + std::to_string(size), PatternBytes(size, static_cast<uint32_t>(size) + 1));
    const std::string system = SystemMd5sum(path);
    if (system.empty()) GTEST_SKIP() << "no md5sum utility to run here";
    CString name(path.c_str());
    CByteArray digest;
    DWORD length = 0;
    GetFileMD5(name, digest, length);
    EXPECT_EQ(Hex(digest), system) << size;
  }
}

TEST(Md5, MissingFileThrowsAndLeavesTheValueAlone) {
  hk::test::TempDir dir;
  CString name((dir / "missing").c_str());
  CByteArray digest;
  digest.SetSize(3);
  digest[0] = 7;
  DWORD size = 99;
  try {
    GetFileMD5(name, digest, size);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
    e->Delete();
  }
  EXPECT_EQ(digest.GetSize(), 3);
  EXPECT_EQ(digest[0], 7);
  EXPECT_EQ(size, 99u);
}

TEST(Md5, FileHeldOpenForWritingFailsWithSharingViolation) {
  hk::test::TempDir dir;
  const std::string path = dir.WriteFile("busy", "some bytes");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  CNuMD5 md5;
  CString name(path.c_str());
  DWORD size = 0;
  try {
    md5.GetFileMD5(name, size);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::sharingViolation);
    EXPECT_EQ(e->m_lOsError, static_cast<LONG>(ERROR_SHARING_VIOLATION));
    e->Delete();
  }
  EXPECT_TRUE(md5 == CNuMD5());
  CloseHandle(writer);
  md5.GetFileMD5(name, size);
  EXPECT_EQ(Hex(md5.GetData()), BufferDigest("some bytes"));
  EXPECT_EQ(size, 10u);
}

TEST(Md5, ValueSemantics) {
  CNuMD5 zero, other;
  EXPECT_EQ(zero.GetData().GetSize(), 16);
  EXPECT_EQ(Hex(zero.GetData()), std::string(32, '0'));
  EXPECT_EQ(zero == other, TRUE);

  CByteArray bytes;
  bytes.SetSize(20);
  for (int i = 0; i < 20; ++i) bytes[i] = static_cast<BYTE>(i + 1);
  CNuMD5 fromArray(bytes);
  EXPECT_EQ(fromArray.GetData().GetSize(), 16);
  EXPECT_EQ(fromArray.GetData()[15], 16);
  EXPECT_EQ(fromArray == zero, FALSE);

  other.Set(bytes);
  EXPECT_EQ(other == fromArray, TRUE);
  CNuMD5 copy(other);
  EXPECT_EQ(copy == other, TRUE);
  zero = copy;
  EXPECT_EQ(zero == other, TRUE);
  bytes[3] = 0xFF;
  copy.Set(bytes);
  EXPECT_EQ(copy == other, FALSE);

  // Too short an array is the caller's mistake; its missing bytes read as zero.
  CByteArray shortArray;
  shortArray.SetSize(2);
  shortArray[0] = 9;
  shortArray[1] = 8;
  copy.Set(shortArray);
  EXPECT_EQ(Hex(copy.GetData()), "0908" + std::string(28, '0'));
}

}  // namespace

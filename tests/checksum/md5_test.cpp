// CNuMD5 and GetFileMD5: the RFC 1321 suite, digests fed in pieces, file digests, failures and
// the value type.
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include "checksum/md5.h"
#include "platform/win32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

std::string BufferDigest(std::string bytes) {
  CNuMD5 md5;
  md5.GetBufferMD5(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  return Hex(md5.GetData());
}

TEST(Md5, Rfc1321Suite) {
  const struct {
    const char* text;
    const char* digest;
  } kSuite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : kSuite) EXPECT_EQ(BufferDigest(c.text), c.digest) << c.text;
  CNuMD5 md5;
  md5.GetBufferMD5(nullptr, 0);  // nothing to read: the empty digest
  EXPECT_EQ(Hex(md5.GetData()), kSuite[0].digest);
}

TEST(Md5, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  // Random piece sizes fill blocks across calls, pass whole blocks through after a partial one
  // and end calls mid-block; each way must give the digest of the bytes fed at once.
  const std::string bytes = hk::test::RandomBytes(20000, 7);
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

// Around the block and the read size: the digest of the same bytes, and the size.
TEST(Md5, FileDigestEqualsBufferDigest) {
  hk::test::TempDir dir;
  for (size_t size : {0, 1, 63, 64, 65535, 65536, 65537, 3 * 1024 * 1024 + 7}) {
    const std::string bytes = hk::test::RandomBytes(size, static_cast<uint32_t>(size));
    CString name = dir.WriteFile("f" + std::to_string(size), bytes).c_str();
    CByteArray digest;
    DWORD length = 12345;
    GetFileMD5(name, digest, length);
    EXPECT_EQ(length, size);
    EXPECT_EQ(Hex(digest), BufferDigest(bytes)) << size;
    CNuMD5 member;
    member.GetFileMD5(name, length = 0);
    EXPECT_EQ(Hex(member.GetData()), Hex(digest)) << size;
  }
}

// A missing file, and one another holder writes: the call throws and the values stay as they
// were.
TEST(Md5, FailuresThrowAndLeaveTheValuesAlone) {
  hk::test::TempDir dir;
  CByteArray digest;
  DWORD size = 99;
  CString missing = (dir / "missing").c_str(), busy = dir.WriteFile("busy", "some bytes").c_str();
  EXPECT_EQ(hk::test::CodeOf<CFileException>([&] { GetFileMD5(missing, digest, size); }), CFileException::fileNotFound);
  EXPECT_EQ(digest.GetSize(), 0);
  HANDLE writer = CreateFileA(busy, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  CNuMD5 md5;
  EXPECT_EQ(hk::test::CodeOf<CFileException>([&] { md5.GetFileMD5(busy, size); }), CFileException::sharingViolation);
  CloseHandle(writer);
  EXPECT_TRUE(md5 == CNuMD5());
  EXPECT_EQ(size, 99u);
}

// Too short an array is the caller's mistake; its missing bytes read as zero.
TEST(Md5, SetFromAShortArrayReadsNoFurther) {
  CByteArray bytes;
  bytes.SetSize(2);
  bytes[0] = 1;
  bytes[1] = 2;
  CNuMD5 set(bytes);
  EXPECT_EQ(Hex(set.GetData()), "0102" + std::string(28, '0'));
}

}  // namespace

// GetCRC32: its values, every update path against the byte-at-a-time table, and the one-time
// table build under concurrent first calls.
#include "tests/support/fixtures.h"

#include "checksum/crc32.h"

#include <latch>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace hk::checksum;

// A model independent of the tables: the polynomial division one bit at a time.
uint32_t BitwiseUpdate(uint32_t crc, const unsigned char* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    crc ^= static_cast<uint32_t>(bytes[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

uint32_t ModelCrc32(const unsigned char* bytes, int length) {
  uint32_t crc = BitwiseUpdate(0xFFFFFFFFu, bytes, length > 0 ? static_cast<size_t>(length) : 0);
  for (uint32_t n = static_cast<uint32_t>(length); n != 0; n >>= 8) {
    const unsigned char b = static_cast<unsigned char>(n);
    crc = BitwiseUpdate(crc, &b, 1);
  }
  return ~crc;
}

std::vector<unsigned char> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(count);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

TEST(Crc32, KnownValues) {
  unsigned char abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(GetCRC32(abc, 3), 0x8FAEA5D9u);
  // Length 0 reads nothing, so even a null buffer is fine.
  EXPECT_EQ(GetCRC32(nullptr, 0), 0u);
  EXPECT_EQ(GetCRC32(abc, 0), 0u);
  // A negative length reads nothing yet folds its four bytes.
  EXPECT_EQ(GetCRC32(nullptr, -1), ModelCrc32(nullptr, -1));
  EXPECT_NE(GetCRC32(nullptr, -1), 0u);
  EXPECT_EQ(GetCRC32(nullptr, -256), ModelCrc32(nullptr, -256));
}

TEST(Crc32, StepsMatchTheStandardChecksOfThisPolynomial) {
  const unsigned char check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  // Without the length step, from all ones: the polynomial's well-known check value.
  EXPECT_EQ(Crc32Update(Crc32Start(), check, 9), 0x0376E6E7u);
  // From zero: the catalogued POSIX check value without the length step, and with it what the
  // cksum utility prints for the same bytes.
  EXPECT_EQ(~Crc32Update(0, check, 9), 0x765E7680u);
  EXPECT_EQ(Crc32Finish(Crc32Update(0, check, 9), 9), 930766865u);
}

TEST(Crc32, TableEntries) {
  Crc32Tables();
  const uint32_t* table = Crc32Table();
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[1], 0x04C11DB7u);
  EXPECT_EQ(table[2], 0x09823B6Eu);
  EXPECT_EQ(table[255], 0xB1F740B4u);
  for (unsigned i = 0; i < 256; ++i) {
    const unsigned char b = static_cast<unsigned char>(i);
    EXPECT_EQ(table[i], BitwiseUpdate(0, &b, 1)) << i;
  }
}

TEST(Crc32, LengthEntersAfterTheData) {
  const auto bytes = RandomBytes(70000, 1);
  std::vector<unsigned char> copy(bytes);
  for (int n : {1, 2, 255, 256, 257, 65535, 65536, 65537, 69999}) {
    EXPECT_EQ(GetCRC32(copy.data(), n), ModelCrc32(bytes.data(), n)) << n;
    EXPECT_NE(GetCRC32(copy.data(), n), GetCRC32(copy.data(), n + 1)) << n;
  }
}

TEST(Crc32, EveryUpdatePathMatchesTheByteTable) {
  Crc32Tables();
  const bool folding = Crc32HasFolding();
  const bool wide = Crc32HasWideFolding();
  const auto bytes = RandomBytes(4096 + 64, 2);
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    // Short lengths and block boundaries are where paths hand over to each other.
    const size_t length = round < 600 ? static_cast<size_t>(round) : random() % 4097;
    const size_t offset = random() % 64;
    const uint32_t start = round % 2 ? 0xFFFFFFFFu : static_cast<uint32_t>(random());
    const unsigned char* p = bytes.data() + offset;
    const uint32_t expected = Crc32UpdateBytewise(start, p, length);
    ASSERT_EQ(Crc32UpdateSlicing(start, p, length), expected) << length << "@" << offset;
    if (folding) {
      ASSERT_EQ(Crc32UpdateFolding(start, p, length), expected) << length << "@" << offset;
    }
    if (wide) {
      ASSERT_EQ(Crc32UpdateWideFolding(start, p, length), expected) << length << "@" << offset;
    }
    ASSERT_EQ(Crc32Update(start, p, length), expected) << length << "@" << offset;
  }
  EXPECT_EQ(Crc32UpdateBytewise(0x12345678u, bytes.data(), 4096), BitwiseUpdate(0x12345678u, bytes.data(), 4096));
  if (!wide) GTEST_SKIP() << "this processor lacks carry-less multiply on wide registers: not every path was checked";
}

TEST(Crc32, LargeBufferThroughEveryPath) {
  const auto bytes = RandomBytes(3 * 1024 * 1024 + 13, 4);
  std::vector<unsigned char> copy(bytes);
  Crc32Tables();
  const uint32_t expected = Crc32UpdateBytewise(0xFFFFFFFFu, bytes.data(), bytes.size());
  EXPECT_EQ(Crc32UpdateSlicing(0xFFFFFFFFu, bytes.data(), bytes.size()), expected);
  if (Crc32HasFolding()) {
    EXPECT_EQ(Crc32UpdateFolding(0xFFFFFFFFu, bytes.data(), bytes.size()), expected);
  }
  if (Crc32HasWideFolding()) {
    EXPECT_EQ(Crc32UpdateWideFolding(0xFFFFFFFFu, bytes.data(), bytes.size()), expected);
  }
  EXPECT_EQ(GetCRC32(copy.data(), static_cast<int>(copy.size())),
            Crc32Finish(expected, static_cast<uint32_t>(bytes.size())));
  EXPECT_EQ(GetCRC32(copy.data(), static_cast<int>(copy.size())), ModelCrc32(bytes.data(), static_cast<int>(bytes.size())));
}

// Pieces checksummed apart and joined give the value of the whole, at every split; a shift by
// n bytes is n zero bytes, also for counts far beyond any buffer.
TEST(Crc32, ShiftJoinsPiecesChecksummedApart) {
  Crc32Tables();
  const auto bytes = RandomBytes(700, 5);
  const uint32_t whole = BitwiseUpdate(0xFFFFFFFFu, bytes.data(), bytes.size());
  for (size_t split : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{333}, size_t{699}, size_t{700}}) {
    const uint32_t head = Crc32Update(0xFFFFFFFFu, bytes.data(), split);
    const uint32_t tail = Crc32Update(0, bytes.data() + split, bytes.size() - split);
    EXPECT_EQ(Crc32Shift(head, bytes.size() - split) ^ tail, whole) << split;
  }
  const std::vector<unsigned char> zeros(5000, 0);
  for (size_t count : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{255}, size_t{4999}})
    EXPECT_EQ(Crc32Shift(0xDEADBEEFu, count), BitwiseUpdate(0xDEADBEEFu, zeros.data(), count)) << count;
  // 2^32 + 3 zero bytes are 65,536 times 65,536 zero bytes and 3 more.
  uint32_t stepped = 0x12345678u;
  for (int i = 0; i < 65536; ++i) stepped = Crc32Shift(stepped, 65536);
  EXPECT_EQ(Crc32Shift(0x12345678u, (uint64_t{1} << 32) + 3), BitwiseUpdate(stepped, zeros.data(), 3));
}

TEST(Crc32, ConcurrentFirstCallsAllSeeACompleteTable) {
  auto bytes = RandomBytes(256 * 1024, 5);
  const uint32_t expected = ModelCrc32(bytes.data(), static_cast<int>(bytes.size()));
  unsigned char abc[] = {'a', 'b', 'c'};
  constexpr int kThreads = 8;
  for (int round = 0; round < 25; ++round) {
    Crc32ResetTablesForTest();
    std::latch start(kThreads);
    std::vector<uint32_t> results(kThreads), small(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        start.arrive_and_wait();
        // Half the threads take a tiny input, so some finish while others still build.
        if (t % 2) small[t] = GetCRC32(abc, 3);
        results[t] = GetCRC32(bytes.data(), static_cast<int>(bytes.size()));
      });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
      ASSERT_EQ(results[t], expected) << "round " << round << " thread " << t;
      if (t % 2) {
        ASSERT_EQ(small[t], 0x8FAEA5D9u);
      }
    }
  }
}

}  // namespace

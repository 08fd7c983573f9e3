// GetCRC32: its values, every update path against a bitwise model, joining pieces, and the
// one-time table build under concurrent first calls.
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

#include "checksum/crc32.h"

#include <latch>
#include <thread>
#include <vector>

namespace {

using namespace hk::checksum;

// A model independent of the tables: the polynomial division one bit at a time.
uint32_t BitwiseUpdate(uint32_t crc, const void* data, size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < count; ++i) {
    crc ^= static_cast<uint32_t>(bytes[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// The whole checksum: the data, then the length's bytes from the low end, inverted.
uint32_t ModelCrc32(const void* bytes, int length) {
  uint32_t crc = BitwiseUpdate(0xFFFFFFFFu, bytes, length > 0 ? static_cast<size_t>(length) : 0);
  for (uint32_t n = static_cast<uint32_t>(length); n != 0; n >>= 8) {
    const unsigned char b = static_cast<unsigned char>(n);
    crc = BitwiseUpdate(crc, &b, 1);
  }
  return ~crc;
}

uint32_t Crc(std::string& bytes, int length) {
  return GetCRC32(reinterpret_cast<unsigned char*>(bytes.data()), length);
}

TEST(Crc32, KnownValuesAndTheModel) {
  EXPECT_EQ(GetCRC32(nullptr, 0), 0u);  // length 0 reads nothing
  // A negative length reads nothing yet folds its four bytes.
  EXPECT_EQ(GetCRC32(nullptr, -256), ModelCrc32(nullptr, -256));
  // The polynomial's catalogued check values: from all ones without the length step, and from
  // zero with it, what the cksum utility prints.
  const unsigned char check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc32Update(Crc32Start(), check, 9), 0x0376E6E7u);
  EXPECT_EQ(Crc32Finish(Crc32Update(0, check, 9), 9), 930766865u);
  // Lengths around the length step's bytes and the read blocks, and a few buffers' worth.
  std::string bytes = hk::test::RandomBytes(3 * 1024 * 1024 + 13, 1);
  for (int n : {1, 255, 256, 257, 65535, 65536, 65537, 3 * 1024 * 1024 + 13})
    EXPECT_EQ(Crc(bytes, n), ModelCrc32(bytes.data(), n)) << n;
}

TEST(Crc32, EveryUpdatePathMatchesTheModel) {
  Crc32Tables();
  const uint32_t* table = Crc32Table();
  for (unsigned i = 0; i < 256; ++i) {
    const unsigned char b = static_cast<unsigned char>(i);
    ASSERT_EQ(table[i], BitwiseUpdate(0, &b, 1)) << i;
  }
  // Every path this processor runs, the dispatching one last.
  std::vector paths = {Crc32UpdateBytewise, Crc32UpdateSlicing};
  if (Crc32HasFolding()) paths.push_back(Crc32UpdateFolding);
  if (Crc32HasWideFolding()) paths.push_back(Crc32UpdateWideFolding);
  paths.push_back(Crc32Update);
  const std::string bytes = hk::test::RandomBytes(4096 + 64, 2);
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    // Short lengths and block boundaries are where paths hand over to each other.
    const size_t length = round < 600 ? static_cast<size_t>(round) : random() % 4097;
    const size_t offset = random() % 64;
    const uint32_t start = round % 2 ? 0xFFFFFFFFu : static_cast<uint32_t>(random());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
    const uint32_t expected = BitwiseUpdate(start, p, length);
    SCOPED_TRACE(std::to_string(length) + "@" + std::to_string(offset));
    for (size_t path = 0; path < paths.size(); ++path) ASSERT_EQ(paths[path](start, p, length), expected) << path;
  }
  if (!Crc32HasWideFolding()) GTEST_SKIP() << "this processor lacks wide carry-less multiply: a path went unchecked";
}

// Pieces checksummed apart and joined give the value of the whole, at every split; a shift by
// n bytes is n zero bytes, also for counts far beyond any buffer.
TEST(Crc32, ShiftJoinsPiecesChecksummedApart) {
  Crc32Tables();
  const std::string bytes = hk::test::RandomBytes(700, 5);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const uint32_t whole = BitwiseUpdate(0xFFFFFFFFu, data, bytes.size());
  for (size_t split : {0, 1, 63, 64, 333, 699, 700}) {
    const uint32_t head = Crc32Update(0xFFFFFFFFu, data, split);
    const uint32_t tail = Crc32Update(0, data + split, bytes.size() - split);
    EXPECT_EQ(Crc32Shift(head, bytes.size() - split) ^ tail, whole) << split;
  }
  const std::vector<unsigned char> zeros(3, 0);
  // 2^32 + 3 zero bytes are 65,536 times 65,536 zero bytes and 3 more.
  uint32_t stepped = 0x12345678u;
  for (int i = 0; i < 65536; ++i) stepped = Crc32Shift(stepped, 65536);
  EXPECT_EQ(Crc32Shift(0x12345678u, (uint64_t{1} << 32) + 3), BitwiseUpdate(stepped, zeros.data(), 3));
}

TEST(Crc32, ConcurrentFirstCallsAllSeeACompleteTable) {
  std::string bytes = hk::test::RandomBytes(256 * 1024, 5), abc = "abc";
  const uint32_t expected = ModelCrc32(bytes.data(), static_cast<int>(bytes.size()));
  constexpr int kThreads = 8;
  for (int round = 0; round < 25; ++round) {
    Crc32ResetTablesForTest();
    std::latch start(kThreads);
    std::vector<uint32_t> results(kThreads), small(kThreads, 0x8FAEA5D9u);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        start.arrive_and_wait();
        // Half the threads take a tiny input, so some finish while others still build.
        if (t % 2) small[t] = Crc(abc, 3);
        results[t] = Crc(bytes, static_cast<int>(bytes.size()));
      });
    for (auto& thread : threads) thread.join();
    ASSERT_EQ(results, std::vector<uint32_t>(kThreads, expected)) << "round " << round;
    ASSERT_EQ(small, std::vector<uint32_t>(kThreads, 0x8FAEA5D9u)) << "round " << round;
  }
}

}  // namespace

// GetCRC32: the table-driven CRC-32, most significant bit first, with the length folded in after
// the data. The byte-at-a-time table is the reference; slicing by 16 and, where the processor
// has a carry-less multiply, folding process many bytes per step with identical results.
#include "checksum/crc32.h"

#include <hostkit/checksum.h>

#include <atomic>
#include <mutex>

namespace hk::checksum {

// Defined with the folding code, which is compiled for the instructions it needs.
void Crc32PrepareFolding();

namespace {

// g_slices[k][i]: the running value that byte i followed by k zero bytes leaves behind when it
// enters an all-zero register. g_slices[0] is the byte table.
constexpr int kSlices = 16;
uint32_t g_slices[kSlices][256];

using UpdateFunction = uint32_t (*)(uint32_t, const unsigned char*, size_t);
UpdateFunction g_update = nullptr;

// Published with release ordering once every table is complete, so that no thread computes with
// a partly built table; the mutex makes concurrent first callers build it once.
std::atomic<bool> g_built{false};
std::mutex g_buildMutex;

void BuildByteTable(uint32_t* table) {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t v = i << 24;
    for (int bit = 0; bit < 8; ++bit) v = (v & 0x80000000u) ? (v << 1) ^ kCrcPolynomial : v << 1;
    table[i] = v;
  }
}

inline uint32_t LoadBigEndian(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

}  // namespace

void Crc32Tables() {
  if (g_built.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> guard(g_buildMutex);
  if (g_built.load(std::memory_order_relaxed)) return;
  BuildByteTable(g_slices[0]);
  for (int k = 1; k < kSlices; ++k)
    for (int i = 0; i < 256; ++i) {
      const uint32_t previous = g_slices[k - 1][i];
      g_slices[k][i] = (previous << 8) ^ g_slices[0][previous >> 24];
    }
  g_update = Crc32UpdateSlicing;
  if (Crc32HasFolding()) {
    Crc32PrepareFolding();
    g_update = Crc32HasWideFolding() ? Crc32UpdateWideFolding : Crc32UpdateFolding;
  }
  g_built.store(true, std::memory_order_release);
}

void Crc32ResetTablesForTest() {
  std::lock_guard<std::mutex> guard(g_buildMutex);
  g_built.store(false, std::memory_order_relaxed);
  for (auto& slice : g_slices)
    for (auto& entry : slice) entry = 0;
  g_update = nullptr;
}

const uint32_t* Crc32Table() { return g_slices[0]; }

uint32_t Crc32Start() {
  Crc32Tables();
  return 0xFFFFFFFFu;
}

uint32_t Crc32UpdateBytewise(uint32_t crc, const unsigned char* bytes, size_t count) {
  const uint32_t* table = g_slices[0];
  for (size_t i = 0; i < count; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ bytes[i]) & 0xFF];
  return crc;
}

uint32_t Crc32UpdateSlicing(uint32_t crc, const unsigned char* bytes, size_t count) {
  const auto& t = g_slices;
  while (count >= 16) {
    const uint32_t w0 = crc ^ LoadBigEndian(bytes);
    const uint32_t w1 = LoadBigEndian(bytes + 4);
    const uint32_t w2 = LoadBigEndian(bytes + 8);
    const uint32_t w3 = LoadBigEndian(bytes + 12);
    // The byte at offset j is followed by 15 - j more bytes of this step.
    crc = t[15][w0 >> 24] ^ t[14][(w0 >> 16) & 0xFF] ^ t[13][(w0 >> 8) & 0xFF] ^ t[12][w0 & 0xFF] ^
          t[11][w1 >> 24] ^ t[10][(w1 >> 16) & 0xFF] ^ t[9][(w1 >> 8) & 0xFF] ^ t[8][w1 & 0xFF] ^
          t[7][w2 >> 24] ^ t[6][(w2 >> 16) & 0xFF] ^ t[5][(w2 >> 8) & 0xFF] ^ t[4][w2 & 0xFF] ^
          t[3][w3 >> 24] ^ t[2][(w3 >> 16) & 0xFF] ^ t[1][(w3 >> 8) & 0xFF] ^ t[0][w3 & 0xFF];
    bytes += 16;
    count -= 16;
  }
  return Crc32UpdateBytewise(crc, bytes, count);
}

uint32_t Crc32Update(uint32_t crc, const unsigned char* bytes, size_t count) {
  return g_update(crc, bytes, count);
}

namespace {

// a times b modulo the polynomial, both of degree below 32.
uint32_t MultiplyModP(uint32_t a, uint32_t b) {
  uint32_t product = 0;
  for (uint32_t bit = 0x80000000u; bit != 0; bit >>= 1) {
    product = (product & 0x80000000u) ? (product << 1) ^ kCrcPolynomial : product << 1;
    if (b & bit) product ^= a;
  }
  return product;
}

}  // namespace

uint32_t Crc32Shift(uint32_t crc, uint64_t count) {
  // x^8, squared once per bit of count: x^(8 * 2^k) for k = 0, 1, 2, ...
  uint32_t power = 0x100;
  for (; count != 0; count >>= 1) {
    if (count & 1) crc = MultiplyModP(crc, power);
    power = MultiplyModP(power, power);
  }
  return crc;
}

uint32_t Crc32Finish(uint32_t crc, uint64_t length) {
  const uint32_t* table = g_slices[0];
  for (; length != 0; length >>= 8)
    crc = (crc << 8) ^ table[((crc >> 24) ^ static_cast<uint32_t>(length)) & 0xFF];
  return ~crc;
}

}  // namespace hk::checksum

DWORD GetCRC32(unsigned char* const buffer, int length) {
  using namespace hk::checksum;
  uint32_t crc = Crc32Start();
  if (length > 0) crc = Crc32Update(crc, buffer, static_cast<size_t>(length));
  return Crc32Finish(crc, static_cast<uint32_t>(length));
}

// CRC-32 update by carry-less multiplication. Only the functions below carry the instruction
// set they need (as target attributes), and they run only after the processor was asked, so the
// library as a whole still runs on any processor of its architecture.
//
// Arithmetic: a 16-byte chunk, byte-reversed into a 128-bit register, is the polynomial whose
// highest coefficient is the first bit of the chunk — the order this CRC reads bits in. A
// chunk X that stands D bits before the end of the data counts as X·x^D; writing X = H·x^64 + L,
//   X·x^D = H·x^(D+64) + L·x^D ≡ H·(x^(D+64) mod P) + L·(x^D mod P)   (mod P),
// two 64×32-bit carry-less products, at most 95 bits, that replace X one chunk (or block)
// further on. Only congruence modulo P matters until the end, where the remaining 128 bits
// are run through the byte table from a zero register: that yields (X·x^32) mod P, which is
// exactly the running value the byte-at-a-time update would have reached.
#include "checksum/crc32.h"

#if defined(__x86_64__) || defined(__i386__)
#  include <immintrin.h>
#  define HK_CRC_FOLDING 1
#endif

namespace hk::checksum {

namespace {

// Eight chunks (128 bytes) are folded side by side; below this size folding does not pay.
constexpr size_t kLanes = 8;
constexpr size_t kBlock = kLanes * 16;
constexpr size_t kMinimumForFolding = 2 * kBlock;

// g_fold[m] holds x^(128·m) mod P (low) and x^(128·m + 64) mod P (high), m = 1..kLanes.
uint64_t g_foldLow[kLanes + 1];
uint64_t g_foldHigh[kLanes + 1];

// x^power mod P, by shifting one bit at a time.
uint64_t PowerOfXModP(unsigned power) {
  uint64_t r = 1;
  for (unsigned i = 0; i < power; ++i) {
    r <<= 1;
    if (r & 0x100000000ull) r ^= 0x100000000ull | kCrcPolynomial;
  }
  return r;
}

}  // namespace

void Crc32PrepareFolding() {
  for (unsigned m = 1; m <= kLanes; ++m) {
    g_foldLow[m] = PowerOfXModP(128 * m);
    g_foldHigh[m] = PowerOfXModP(128 * m + 64);
  }
}

#if defined(HK_CRC_FOLDING)

bool Crc32HasFolding() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
}

namespace {

#  define HK_FOLDING_TARGET __attribute__((target("pclmul,ssse3,sse4.1")))

HK_FOLDING_TARGET inline __m128i ByteReverse() {
  return _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

HK_FOLDING_TARGET inline __m128i LoadChunk(const unsigned char* p, __m128i reverse) {
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

HK_FOLDING_TARGET inline __m128i Fold(__m128i x, __m128i constants) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, constants, 0x00),
                       _mm_clmulepi64_si128(x, constants, 0x11));
}

HK_FOLDING_TARGET inline __m128i Constants(unsigned m) {
  return _mm_set_epi64x(static_cast<long long>(g_foldHigh[m]), static_cast<long long>(g_foldLow[m]));
}

}  // namespace

// The remaining whole chunks one at a time, then the last 128 bits and the tail through the
// byte table.
namespace {

HK_FOLDING_TARGET uint32_t FinishFolding(__m128i x, const unsigned char* bytes, size_t count) {
  const __m128i reverse = ByteReverse();
  const __m128i byChunk = Constants(1);
  while (count >= 16) {
    x = _mm_xor_si128(Fold(x, byChunk), LoadChunk(bytes, reverse));
    bytes += 16;
    count -= 16;
  }
  alignas(16) unsigned char rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest), _mm_shuffle_epi8(x, reverse));
  const uint32_t crc = Crc32UpdateBytewise(0, rest, sizeof rest);
  return Crc32UpdateBytewise(crc, bytes, count);
}

}  // namespace

HK_FOLDING_TARGET uint32_t Crc32UpdateFolding(uint32_t crc, const unsigned char* bytes, size_t count) {
  if (count < kMinimumForFolding) return Crc32UpdateSlicing(crc, bytes, count);
  const __m128i reverse = ByteReverse();

  // Eight lanes in named variables, so that they stay in registers.
  __m128i x0 = LoadChunk(bytes, reverse), x1 = LoadChunk(bytes + 16, reverse);
  __m128i x2 = LoadChunk(bytes + 32, reverse), x3 = LoadChunk(bytes + 48, reverse);
  __m128i x4 = LoadChunk(bytes + 64, reverse), x5 = LoadChunk(bytes + 80, reverse);
  __m128i x6 = LoadChunk(bytes + 96, reverse), x7 = LoadChunk(bytes + 112, reverse);
  // The running value enters as the first 32 bits of the data: c·x^(8n) = (c·x^96)·x^(8n-128)·x^32.
  x0 = _mm_xor_si128(x0, _mm_set_epi32(static_cast<int>(crc), 0, 0, 0));
  bytes += kBlock;
  count -= kBlock;

  const __m128i byBlock = Constants(kLanes);
  while (count >= kBlock) {
    x0 = _mm_xor_si128(Fold(x0, byBlock), LoadChunk(bytes, reverse));
    x1 = _mm_xor_si128(Fold(x1, byBlock), LoadChunk(bytes + 16, reverse));
    x2 = _mm_xor_si128(Fold(x2, byBlock), LoadChunk(bytes + 32, reverse));
    x3 = _mm_xor_si128(Fold(x3, byBlock), LoadChunk(bytes + 48, reverse));
    x4 = _mm_xor_si128(Fold(x4, byBlock), LoadChunk(bytes + 64, reverse));
    x5 = _mm_xor_si128(Fold(x5, byBlock), LoadChunk(bytes + 80, reverse));
    x6 = _mm_xor_si128(Fold(x6, byBlock), LoadChunk(bytes + 96, reverse));
    x7 = _mm_xor_si128(Fold(x7, byBlock), LoadChunk(bytes + 112, reverse));
    bytes += kBlock;
    count -= kBlock;
  }

  // Lane i stands 7 - i chunks before the last one.
  __m128i x = x7;
  x = _mm_xor_si128(x, Fold(x0, Constants(7)));
  x = _mm_xor_si128(x, Fold(x1, Constants(6)));
  x = _mm_xor_si128(x, Fold(x2, Constants(5)));
  x = _mm_xor_si128(x, Fold(x3, Constants(4)));
  x = _mm_xor_si128(x, Fold(x4, Constants(3)));
  x = _mm_xor_si128(x, Fold(x5, Constants(2)));
  x = _mm_xor_si128(x, Fold(x6, Constants(1)));

  return FinishFolding(x, bytes, count);
}

bool Crc32HasWideFolding() {
  __builtin_cpu_init();
  return Crc32HasFolding() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
}

#  define HK_WIDE_FOLDING_TARGET __attribute__((target("pclmul,ssse3,sse4.1,avx2,vpclmulqdq")))

namespace {

HK_WIDE_FOLDING_TARGET inline __m256i LoadTwoChunks(const unsigned char* p, __m256i reverse) {
  return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), reverse);
}

HK_WIDE_FOLDING_TARGET inline __m256i FoldTwo(__m256i x, __m256i constants) {
  return _mm256_xor_si256(_mm256_clmulepi64_epi128(x, constants, 0x00),
                          _mm256_clmulepi64_epi128(x, constants, 0x11));
}

}  // namespace

// The same eight lanes as Crc32UpdateFolding, two to a 256-bit register: each half folds by the
// same distance, so the constants are simply repeated.
HK_WIDE_FOLDING_TARGET uint32_t Crc32UpdateWideFolding(uint32_t crc, const unsigned char* bytes, size_t count) {
  if (count < kMinimumForFolding) return Crc32UpdateSlicing(crc, bytes, count);
  const __m256i reverse = _mm256_broadcastsi128_si256(ByteReverse());
  __m256i y0 = LoadTwoChunks(bytes, reverse), y1 = LoadTwoChunks(bytes + 32, reverse);
  __m256i y2 = LoadTwoChunks(bytes + 64, reverse), y3 = LoadTwoChunks(bytes + 96, reverse);
  y0 = _mm256_xor_si256(y0, _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(crc), 0, 0, 0));
  bytes += kBlock;
  count -= kBlock;

  const __m256i byBlock = _mm256_broadcastsi128_si256(Constants(kLanes));
  while (count >= kBlock) {
    y0 = _mm256_xor_si256(FoldTwo(y0, byBlock), LoadTwoChunks(bytes, reverse));
    y1 = _mm256_xor_si256(FoldTwo(y1, byBlock), LoadTwoChunks(bytes + 32, reverse));
    y2 = _mm256_xor_si256(FoldTwo(y2, byBlock), LoadTwoChunks(bytes + 64, reverse));
    y3 = _mm256_xor_si256(FoldTwo(y3, byBlock), LoadTwoChunks(bytes + 96, reverse));
    bytes += kBlock;
    count -= kBlock;
  }

  __m128i x = _mm256_extracti128_si256(y3, 1);
  x = _mm_xor_si128(x, Fold(_mm256_castsi256_si128(y0), Constants(7)));
  x = _mm_xor_si128(x, Fold(_mm256_extracti128_si256(y0, 1), Constants(6)));
  x = _mm_xor_si128(x, Fold(_mm256_castsi256_si128(y1), Constants(5)));
  x = _mm_xor_si128(x, Fold(_mm256_extracti128_si256(y1, 1), Constants(4)));
  x = _mm_xor_si128(x, Fold(_mm256_castsi256_si128(y2), Constants(3)));
  x = _mm_xor_si128(x, Fold(_mm256_extracti128_si256(y2, 1), Constants(2)));
  x = _mm_xor_si128(x, Fold(_mm256_castsi256_si128(y3), Constants(1)));
  return FinishFolding(x, bytes, count);
}

#else

bool Crc32HasFolding() { return false; }
bool Crc32HasWideFolding() { return false; }

uint32_t Crc32UpdateWideFolding(uint32_t crc, const unsigned char* bytes, size_t count) {
  return Crc32UpdateSlicing(crc, bytes, count);
}

uint32_t Crc32UpdateFolding(uint32_t crc, const unsigned char* bytes, size_t count) {
  return Crc32UpdateSlicing(crc, bytes, count);
}

#endif

}  // namespace hk::checksum

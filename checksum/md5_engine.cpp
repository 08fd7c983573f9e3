// The MD5 message digest of RFC 1321. Whole 64-byte blocks are transformed straight from the
// caller's bytes; only a partial block is copied into the state.
#include "checksum/md5.h"
#include "checksum/md5_steps.h"

#include <cstring>

namespace hk::checksum {

namespace {

const unsigned char kPadding[64] = {0x80};

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLittleEndian(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The four round functions, arranged so that the operand a step has just computed (x) passes
// through as few operations as possible: the others are ready earlier. G's two terms share no
// bit, so it is their sum as well as their union, and the sum lets the step add the term that
// does not wait for x first.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return (y & ~z) + (x & z); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ (y ^ z); }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

}  // namespace

#define HK_MD5_STEP(f, a, b, c, d, k, t, s) \
  a += x[k] + (t);                           \
  a += f(b, c, d);                           \
  a = RotateLeft(a, s) + (b);

void Md5Transform(uint32_t abcd[4], const unsigned char* p, size_t blocks) {
  uint32_t a = abcd[0], b = abcd[1], c = abcd[2], d = abcd[3];
  for (; blocks != 0; --blocks, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(p + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
    HK_MD5_STEPS(HK_MD5_STEP)
    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  abcd[0] = a;
  abcd[1] = b;
  abcd[2] = c;
  abcd[3] = d;
}

#undef HK_MD5_STEP

void Md5Init(Md5State& state) {
  state.bitCount = 0;
  for (int i = 0; i < 4; ++i) state.abcd[i] = kMd5Initial[i];
  std::memset(state.block, 0, sizeof state.block);
  std::memset(state.digest, 0, sizeof state.digest);
}

void Md5Update(Md5State& state, const unsigned char* bytes, size_t count) {
  if (count == 0) return;
  size_t fill = static_cast<size_t>((state.bitCount >> 3) & 63);
  state.bitCount += static_cast<uint64_t>(count) << 3;
  if (fill != 0) {
    const size_t take = count < 64 - fill ? count : 64 - fill;
    std::memcpy(state.block + fill, bytes, take);
    bytes += take;
    count -= take;
    fill += take;
    if (fill < 64) return;
    Md5Transform(state.abcd, state.block, 1);
  }
  if (count >= 64) {
    Md5Transform(state.abcd, bytes, count / 64);
    bytes += count & ~static_cast<size_t>(63);
    count &= 63;
  }
  if (count != 0) std::memcpy(state.block, bytes, count);
}

void Md5Finish(Md5State& state) {
  const uint64_t bits = state.bitCount;
  const size_t fill = static_cast<size_t>((bits >> 3) & 63);
  Md5Update(state, kPadding, fill < 56 ? 56 - fill : 120 - fill);
  unsigned char length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (8 * i));
  Md5Update(state, length, sizeof length);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) state.digest[4 * i + j] = static_cast<unsigned char>(state.abcd[i] >> (8 * j));
}

}  // namespace hk::checksum

// The MD5 message digest of RFC 1321. Whole 64-byte blocks are transformed straight from the
// caller's bytes; only a partial block is copied into the state.
#include "checksum/md5.h"

#include <cstring>

namespace hk::checksum {

namespace {

const unsigned char kPadding[64] = {0x80};

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLittleEndian(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The four round functions, in forms with one operation fewer than the textbook ones where the
// result is the same bit for bit.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return y ^ (z & (x ^ y)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

#define HK_MD5_STEP(f, a, b, c, d, x, t, s) \
  a += f(b, c, d) + (x) + (t);              \
  a = RotateLeft(a, s) + (b)

void Transform(uint32_t abcd[4], const unsigned char* p, size_t blocks) {
  uint32_t a = abcd[0], b = abcd[1], c = abcd[2], d = abcd[3];
  for (; blocks != 0; --blocks, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(p + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    HK_MD5_STEP(F, a, b, c, d, x[0], 0xd76aa478, 7);
    HK_MD5_STEP(F, d, a, b, c, x[1], 0xe8c7b756, 12);
    HK_MD5_STEP(F, c, d, a, b, x[2], 0x242070db, 17);
    HK_MD5_STEP(F, b, c, d, a, x[3], 0xc1bdceee, 22);
    HK_MD5_STEP(F, a, b, c, d, x[4], 0xf57c0faf, 7);
    HK_MD5_STEP(F, d, a, b, c, x[5], 0x4787c62a, 12);
    HK_MD5_STEP(F, c, d, a, b, x[6], 0xa8304613, 17);
    HK_MD5_STEP(F, b, c, d, a, x[7], 0xfd469501, 22);
    HK_MD5_STEP(F, a, b, c, d, x[8], 0x698098d8, 7);
    HK_MD5_STEP(F, d, a, b, c, x[9], 0x8b44f7af, 12);
    HK_MD5_STEP(F, c, d, a, b, x[10], 0xffff5bb1, 17);
    HK_MD5_STEP(F, b, c, d, a, x[11], 0x895cd7be, 22);
    HK_MD5_STEP(F, a, b, c, d, x[12], 0x6b901122, 7);
    HK_MD5_STEP(F, d, a, b, c, x[13], 0xfd987193, 12);
    HK_MD5_STEP(F, c, d, a, b, x[14], 0xa679438e, 17);
    HK_MD5_STEP(F, b, c, d, a, x[15], 0x49b40821, 22);

    HK_MD5_STEP(G, a, b, c, d, x[1], 0xf61e2562, 5);
    HK_MD5_STEP(G, d, a, b, c, x[6], 0xc040b340, 9);
    HK_MD5_STEP(G, c, d, a, b, x[11], 0x265e5a51, 14);
    HK_MD5_STEP(G, b, c, d, a, x[0], 0xe9b6c7aa, 20);
    HK_MD5_STEP(G, a, b, c, d, x[5], 0xd62f105d, 5);
    HK_MD5_STEP(G, d, a, b, c, x[10], 0x02441453, 9);
    HK_MD5_STEP(G, c, d, a, b, x[15], 0xd8a1e681, 14);
    HK_MD5_STEP(G, b, c, d, a, x[4], 0xe7d3fbc8, 20);
    HK_MD5_STEP(G, a, b, c, d, x[9], 0x21e1cde6, 5);
    HK_MD5_STEP(G, d, a, b, c, x[14], 0xc33707d6, 9);
    HK_MD5_STEP(G, c, d, a, b, x[3], 0xf4d50d87, 14);
    HK_MD5_STEP(G, b, c, d, a, x[8], 0x455a14ed, 20);
    HK_MD5_STEP(G, a, b, c, d, x[13], 0xa9e3e905, 5);
    HK_MD5_STEP(G, d, a, b, c, x[2], 0xfcefa3f8, 9);
    HK_MD5_STEP(G, c, d, a, b, x[7], 0x676f02d9, 14);
    HK_MD5_STEP(G, b, c, d, a, x[12], 0x8d2a4c8a, 20);

    HK_MD5_STEP(H, a, b, c, d, x[5], 0xfffa3942, 4);
    HK_MD5_STEP(H, d, a, b, c, x[8], 0x8771f681, 11);
    HK_MD5_STEP(H, c, d, a, b, x[11], 0x6d9d6122, 16);
    HK_MD5_STEP(H, b, c, d, a, x[14], 0xfde5380c, 23);
    HK_MD5_STEP(H, a, b, c, d, x[1], 0xa4beea44, 4);
    HK_MD5_STEP(H, d, a, b, c, x[4], 0x4bdecfa9, 11);
    HK_MD5_STEP(H, c, d, a, b, x[7], 0xf6bb4b60, 16);
    HK_MD5_STEP(H, b, c, d, a, x[10], 0xbebfbc70, 23);
    HK_MD5_STEP(H, a, b, c, d, x[13], 0x289b7ec6, 4);
    HK_MD5_STEP(H, d, a, b, c, x[0], 0xeaa127fa, 11);
    HK_MD5_STEP(H, c, d, a, b, x[3], 0xd4ef3085, 16);
    HK_MD5_STEP(H, b, c, d, a, x[6], 0x04881d05, 23);
    HK_MD5_STEP(H, a, b, c, d, x[9], 0xd9d4d039, 4);
    HK_MD5_STEP(H, d, a, b, c, x[12], 0xe6db99e5, 11);
    HK_MD5_STEP(H, c, d, a, b, x[15], 0x1fa27cf8, 16);
    HK_MD5_STEP(H, b, c, d, a, x[2], 0xc4ac5665, 23);

    HK_MD5_STEP(I, a, b, c, d, x[0], 0xf4292244, 6);
    HK_MD5_STEP(I, d, a, b, c, x[7], 0x432aff97, 10);
    HK_MD5_STEP(I, c, d, a, b, x[14], 0xab9423a7, 15);
    HK_MD5_STEP(I, b, c, d, a, x[5], 0xfc93a039, 21);
    HK_MD5_STEP(I, a, b, c, d, x[12], 0x655b59c3, 6);
    HK_MD5_STEP(I, d, a, b, c, x[3], 0x8f0ccc92, 10);
    HK_MD5_STEP(I, c, d, a, b, x[10], 0xffeff47d, 15);
    HK_MD5_STEP(I, b, c, d, a, x[1], 0x85845dd1, 21);
    HK_MD5_STEP(I, a, b, c, d, x[8], 0x6fa87e4f, 6);
    HK_MD5_STEP(I, d, a, b, c, x[15], 0xfe2ce6e0, 10);
    HK_MD5_STEP(I, c, d, a, b, x[6], 0xa3014314, 15);
    HK_MD5_STEP(I, b, c, d, a, x[13], 0x4e0811a1, 21);
    HK_MD5_STEP(I, a, b, c, d, x[4], 0xf7537e82, 6);
    HK_MD5_STEP(I, d, a, b, c, x[11], 0xbd3af235, 10);
    HK_MD5_STEP(I, c, d, a, b, x[2], 0x2ad7d2bb, 15);
    HK_MD5_STEP(I, b, c, d, a, x[9], 0xeb86d391, 21);

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

}  // namespace

void Md5Init(Md5State& state) {
  state.bitCount = 0;
  state.abcd[0] = 0x67452301;
  state.abcd[1] = 0xefcdab89;
  state.abcd[2] = 0x98badcfe;
  state.abcd[3] = 0x10325476;
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
    Transform(state.abcd, state.block, 1);
  }
  if (count >= 64) {
    Transform(state.abcd, bytes, count / 64);
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

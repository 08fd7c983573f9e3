// The MD5 engine of RFC 1321: one state per computation, kept by its caller.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hk::checksum {

// The chaining value every message starts from.
constexpr uint32_t kMd5Initial[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

struct Md5State {
  uint64_t bitCount;         // message bits so far, modulo 2^64
  uint32_t abcd[4];          // the chaining value
  unsigned char block[64];   // bytes not yet transformed; fill level is (bitCount / 8) mod 64
  unsigned char digest[16];  // zero until Md5Finish
};

void Md5Init(Md5State& state);
void Md5Update(Md5State& state, const unsigned char* bytes, size_t count);
void Md5Finish(Md5State& state);

// Applies the transform to 'blocks' consecutive 64-byte blocks: the one-message engine that the
// multi-lane kernels must match.
void Md5Transform(uint32_t abcd[4], const unsigned char* bytes, size_t blocks);

}  // namespace hk::checksum

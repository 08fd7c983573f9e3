// The 16-lane MD5 kernel on AVX-512F (512-bit registers), whose three-input logic instruction
// computes each round function in one step and which rotates in one.
#include "checksum/md5_lanes.h"
#include "checksum/md5_lanes_target.h"
#include "checksum/md5_steps.h"

#if defined(__x86_64__) || defined(__i386__)

// GCC 12 takes the unset pass-through operand inside its 512-bit intrinsics for a use of an
// uninitialised value; the warning is about the header's code, not ours.
#  pragma GCC diagnostic push
#  if !defined(__clang__)
#    pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#  endif
#  include <immintrin.h>
#  pragma GCC diagnostic pop

HK_MD5_TARGET_BEGIN("avx512f")

namespace hk::checksum {
namespace {

struct Avx512 {
  using V = __m512i;
  static constexpr int kLanes = 16;

  static V Load(const uint32_t* p) { return _mm512_load_si512(p); }
  static void Store(uint32_t* p, V v) { _mm512_store_si512(p, v); }
  static V Add(V x, V y) { return _mm512_add_epi32(x, y); }
  static V Constant(uint32_t t) { return _mm512_set1_epi32(static_cast<int>(t)); }
  template <int s>
  static V RotateLeft(V v) {
    return _mm512_rol_epi32(v, s);
  }
  // Truth tables over (x, y, z) = (0xF0, 0xCC, 0xAA).
  static V F(V x, V y, V z) { return _mm512_ternarylogic_epi32(x, y, z, 0xCA); }  // x ? y : z
  static V G(V x, V y, V z) { return _mm512_ternarylogic_epi32(x, y, z, 0xE4); }  // z ? x : y
  static V H(V x, V y, V z) { return _mm512_ternarylogic_epi32(x, y, z, 0x96); }  // x ^ y ^ z
  static V I(V x, V y, V z) { return _mm512_ternarylogic_epi32(x, y, z, 0x39); }  // y ^ (x | ~z)

  // The whole block of each lane, then a 16 x 16 transpose: rows interleaved by words and by
  // word pairs within each 128-bit quarter, then the quarters exchanged.
  static void LoadBlock(const unsigned char* const* p, V x[16]) {
    V r[16];
    for (int lane = 0; lane < 16; ++lane) r[lane] = _mm512_loadu_si512(p[lane]);
    V t[16];
    for (int i = 0; i < 16; i += 2) {
      t[i] = _mm512_unpacklo_epi32(r[i], r[i + 1]);      // per quarter q: words 4q, 4q+1 of rows i, i+1
      t[i + 1] = _mm512_unpackhi_epi32(r[i], r[i + 1]);  // words 4q+2, 4q+3
    }
    V u[16];
    for (int i = 0; i < 16; i += 4) {
      u[i] = _mm512_unpacklo_epi64(t[i], t[i + 2]);          // per quarter q: word 4q of rows i..i+3
      u[i + 1] = _mm512_unpackhi_epi64(t[i], t[i + 2]);      // word 4q+1
      u[i + 2] = _mm512_unpacklo_epi64(t[i + 1], t[i + 3]);  // word 4q+2
      u[i + 3] = _mm512_unpackhi_epi64(t[i + 1], t[i + 3]);  // word 4q+3
    }
    // x[4q + j] takes quarter q of u[j], u[4 + j], u[8 + j], u[12 + j].
    for (int j = 0; j < 4; ++j) {
      const V v0 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0x44);   // quarters 0 1 of each
      const V v1 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0xEE);   // quarters 2 3
      const V v2 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0x44);
      const V v3 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0xEE);
      x[j] = _mm512_shuffle_i32x4(v0, v2, 0x88);
      x[4 + j] = _mm512_shuffle_i32x4(v0, v2, 0xDD);
      x[8 + j] = _mm512_shuffle_i32x4(v1, v3, 0x88);
      x[12 + j] = _mm512_shuffle_i32x4(v1, v3, 0xDD);
    }
  }
};

}  // namespace
}  // namespace hk::checksum

#  include "checksum/md5_lanes_kernel.h"

namespace hk::checksum {
namespace {
void Avx512Transform(Md5LaneState& state, size_t blocks) { TransformLanes<Avx512, 1>(state, blocks); }
}  // namespace
}  // namespace hk::checksum

HK_MD5_TARGET_END

HK_MD5_LANE_KERNEL(Md5Avx512Kernel, "AVX-512", "avx512f", 16, 3, Avx512Transform)

#else

HK_MD5_NO_LANE_KERNEL(Md5Avx512Kernel)

#endif

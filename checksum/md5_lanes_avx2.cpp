// The 16-lane MD5 kernel on AVX2: two interleaved sets of eight lanes in 256-bit registers.
#include "checksum/md5_lanes.h"
#include "checksum/md5_lanes_target.h"
#include "checksum/md5_steps.h"

#if defined(__x86_64__) || defined(__i386__)

#  include <immintrin.h>

HK_MD5_TARGET_BEGIN("avx2")

namespace hk::checksum {
namespace {

struct Avx2 {
  using V = __m256i;
  static constexpr int kLanes = 8;

  static V Load(const uint32_t* p) { return _mm256_load_si256(reinterpret_cast<const V*>(p)); }
  static void Store(uint32_t* p, V v) { _mm256_store_si256(reinterpret_cast<V*>(p), v); }
  static V Add(V x, V y) { return _mm256_add_epi32(x, y); }
  static V Constant(uint32_t t) { return _mm256_set1_epi32(static_cast<int>(t)); }
  template <int s>
  static V RotateLeft(V v) {
    return _mm256_or_si256(_mm256_slli_epi32(v, s), _mm256_srli_epi32(v, 32 - s));
  }
  static V F(V x, V y, V z) { return _mm256_xor_si256(z, _mm256_and_si256(x, _mm256_xor_si256(y, z))); }
  static V G(V x, V y, V z) { return _mm256_xor_si256(y, _mm256_and_si256(z, _mm256_xor_si256(x, y))); }
  static V H(V x, V y, V z) { return _mm256_xor_si256(_mm256_xor_si256(x, y), z); }
  static V I(V x, V y, V z) {
    return _mm256_xor_si256(y, _mm256_or_si256(x, _mm256_xor_si256(z, _mm256_set1_epi32(-1))));
  }

  // Eight words of each lane, then an 8 x 8 transpose: pairs of rows interleaved by words, by
  // word pairs, and finally the 128-bit halves exchanged.
  static void LoadBlock(const unsigned char* const* p, V x[16]) {
    for (int k = 0; k < 16; k += 8) {
      V r[8];
      for (int lane = 0; lane < 8; ++lane) r[lane] = _mm256_loadu_si256(reinterpret_cast<const V*>(p[lane] + 4 * k));
      V t[8];
      for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);      // words 0 1 | 4 5 of rows i, i+1
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);  // words 2 3 | 6 7
      }
      V u[8];
      for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);          // word 0 | 4 of rows i..i+3
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);      // word 1 | 5
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);  // word 2 | 6
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);  // word 3 | 7
      }
      for (int j = 0; j < 4; ++j) {
        x[k + j] = _mm256_permute2x128_si256(u[j], u[j + 4], 0x20);
        x[k + j + 4] = _mm256_permute2x128_si256(u[j], u[j + 4], 0x31);
      }
    }
  }
};

}  // namespace
}  // namespace hk::checksum

#  include "checksum/md5_lanes_kernel.h"

namespace hk::checksum {
namespace {
void Avx2Transform(Md5LaneState& state, size_t blocks) { TransformLanes<Avx2, 2>(state, blocks); }
}  // namespace
}  // namespace hk::checksum

HK_MD5_TARGET_END

HK_MD5_LANE_KERNEL(Md5Avx2Kernel, "AVX2", "avx2", 16, 4, Avx2Transform)

#else

HK_MD5_NO_LANE_KERNEL(Md5Avx2Kernel)

#endif

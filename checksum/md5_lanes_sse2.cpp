// The 8-lane MD5 kernel on SSE2: two interleaved sets of four lanes in 128-bit registers.
#include "checksum/md5_lanes.h"
#include "checksum/md5_lanes_target.h"
#include "checksum/md5_steps.h"

#if defined(__x86_64__) || defined(__i386__)

#  include <immintrin.h>

HK_MD5_TARGET_BEGIN("sse2")

namespace hk::checksum {
namespace {

struct Sse2 {
  using V = __m128i;
  static constexpr int kLanes = 4;

  static V Load(const uint32_t* p) { return _mm_load_si128(reinterpret_cast<const V*>(p)); }
  static void Store(uint32_t* p, V v) { _mm_store_si128(reinterpret_cast<V*>(p), v); }
  static V Add(V x, V y) { return _mm_add_epi32(x, y); }
  static V Constant(uint32_t t) { return _mm_set1_epi32(static_cast<int>(t)); }
  template <int s>
  static V RotateLeft(V v) {
    return _mm_or_si128(_mm_slli_epi32(v, s), _mm_srli_epi32(v, 32 - s));
  }
  static V F(V x, V y, V z) { return _mm_xor_si128(z, _mm_and_si128(x, _mm_xor_si128(y, z))); }
  static V G(V x, V y, V z) { return _mm_xor_si128(y, _mm_and_si128(z, _mm_xor_si128(x, y))); }
  static V H(V x, V y, V z) { return _mm_xor_si128(_mm_xor_si128(x, y), z); }
  static V I(V x, V y, V z) { return _mm_xor_si128(y, _mm_or_si128(x, _mm_xor_si128(z, _mm_set1_epi32(-1)))); }

  // Four words of each lane, then a 4 x 4 transpose: row i (lane i) becomes column i.
  static void LoadBlock(const unsigned char* const* p, V x[16]) {
    for (int k = 0; k < 16; k += 4) {
      const V r0 = _mm_loadu_si128(reinterpret_cast<const V*>(p[0] + 4 * k));
      const V r1 = _mm_loadu_si128(reinterpret_cast<const V*>(p[1] + 4 * k));
      const V r2 = _mm_loadu_si128(reinterpret_cast<const V*>(p[2] + 4 * k));
      const V r3 = _mm_loadu_si128(reinterpret_cast<const V*>(p[3] + 4 * k));
      const V t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
      const V t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
      x[k] = _mm_unpacklo_epi64(t0, t1);
      x[k + 1] = _mm_unpackhi_epi64(t0, t1);
      x[k + 2] = _mm_unpacklo_epi64(t2, t3);
      x[k + 3] = _mm_unpackhi_epi64(t2, t3);
    }
  }
};

}  // namespace
}  // namespace hk::checksum

#  include "checksum/md5_lanes_kernel.h"

namespace hk::checksum {
namespace {
void Sse2Transform(Md5LaneState& state, size_t blocks) { TransformLanes<Sse2, 2>(state, blocks); }
}  // namespace
}  // namespace hk::checksum

HK_MD5_TARGET_END

HK_MD5_LANE_KERNEL(Md5Sse2Kernel, "SSE2", "sse2", 8, 3, Sse2Transform)

#else

HK_MD5_NO_LANE_KERNEL(Md5Sse2Kernel)

#endif

// The body of every vector MD5 kernel, written once over an instruction set's vector type.
// Each kernel's source includes this after choosing its instruction set (#pragma GCC target),
// so that this code is compiled for that set alone; everything here has internal linkage, so
// the copies in the different sources never stand in for one another. Include it only after
// every other header, which must not be compiled for the chosen set.
//
// The instruction set is a class Isa with: a vector type V of Isa::kLanes 32-bit words; Load and
// Store of kLanes aligned words; Add; Constant (the word in every lane); RotateLeft<s>; the
// round functions F, G, H, I; and LoadBlock, which gives x[k] = word k of the next block of
// each of kLanes lanes.

namespace hk::checksum {
namespace {

// Sets: how many vectors of lanes run interleaved. Each step waits for the one before, so one
// vector alone leaves most of the processor idle; a second, independent one fills the gaps.
template <class Isa, int Sets>
void TransformLanes(Md5LaneState& state, size_t blocks) {
  using V = typename Isa::V;
  constexpr int kWidth = Isa::kLanes;
  V a[Sets], b[Sets], c[Sets], d[Sets];
  for (int s = 0; s < Sets; ++s) {
    a[s] = Isa::Load(state.abcd[0] + s * kWidth);
    b[s] = Isa::Load(state.abcd[1] + s * kWidth);
    c[s] = Isa::Load(state.abcd[2] + s * kWidth);
    d[s] = Isa::Load(state.abcd[3] + s * kWidth);
  }
  const unsigned char* next[Sets * kWidth];
  for (int lane = 0; lane < Sets * kWidth; ++lane) next[lane] = state.next[lane];

  V x[Sets][16];
  for (; blocks != 0; --blocks) {
    V a0[Sets], b0[Sets], c0[Sets], d0[Sets];
#pragma GCC unroll 4
    for (int s = 0; s < Sets; ++s) {
      Isa::LoadBlock(next + s * kWidth, x[s]);
      a0[s] = a[s];
      b0[s] = b[s];
      c0[s] = c[s];
      d0[s] = d[s];
    }
    for (auto& p : next) p += 64;
    // The round function is added last: it alone waits for the step before.
#define HK_MD5_LANE_STEP(f, a, b, c, d, k, t, s)                                                          \
  _Pragma("GCC unroll 4") for (int set = 0; set < Sets; ++set)                                           \
    a[set] = Isa::Add(b[set], Isa::template RotateLeft<s>(Isa::Add(                                      \
                                  Isa::Add(a[set], Isa::Add(x[set][k], Isa::Constant(t))), Isa::f(b[set], c[set], d[set]))));
    HK_MD5_STEPS(HK_MD5_LANE_STEP)
#undef HK_MD5_LANE_STEP
#pragma GCC unroll 4
    for (int s = 0; s < Sets; ++s) {
      a[s] = Isa::Add(a[s], a0[s]);
      b[s] = Isa::Add(b[s], b0[s]);
      c[s] = Isa::Add(c[s], c0[s]);
      d[s] = Isa::Add(d[s], d0[s]);
    }
  }

  for (int s = 0; s < Sets; ++s) {
    Isa::Store(state.abcd[0] + s * kWidth, a[s]);
    Isa::Store(state.abcd[1] + s * kWidth, b[s]);
    Isa::Store(state.abcd[2] + s * kWidth, c[s]);
    Isa::Store(state.abcd[3] + s * kWidth, d[s]);
  }
  for (int lane = 0; lane < Sets * kWidth; ++lane) state.next[lane] = next[lane];
}

}  // namespace
}  // namespace hk::checksum

// The lane driver of the multi-lane MD5 engine and the choice of kernel. Kernels only transform
// whole blocks; the driver cuts each lane's pieces into runs of whole blocks, keeps partial
// blocks and the padding in the lane, and runs the kernel for as many blocks as every busy lane
// has left.
#include "checksum/md5_lanes.h"

#include "checksum/md5.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace hk::checksum {

namespace {

bool Always() { return true; }

// The one-message engine as a kernel of one lane: the fallback everywhere and the reference.
void ScalarTransform(Md5LaneState& state, size_t blocks) {
  uint32_t abcd[4];
  for (int i = 0; i < 4; ++i) abcd[i] = state.abcd[i][0];
  Md5Transform(abcd, state.next[0], blocks);
  for (int i = 0; i < 4; ++i) state.abcd[i][0] = abcd[i];
  state.next[0] += 64 * blocks;
}

constexpr Md5LaneKernel kScalar{"scalar", 1, 1, Always, ScalarTransform};

struct KernelList {
  std::array<const Md5LaneKernel*, 4> kernels{};
  size_t count = 0;
};

const KernelList& Kernels() {
  static const KernelList list = [] {
    KernelList built;
    for (const Md5LaneKernel* kernel : {Md5Avx512Kernel(), Md5Avx2Kernel(), Md5Sse2Kernel(), &kScalar})
      if (kernel != nullptr) built.kernels[built.count++] = kernel;
    return built;
  }();
  return list;
}

}  // namespace

std::span<const Md5LaneKernel* const> Md5LaneKernels() {
  const KernelList& list = Kernels();
  return {list.kernels.data(), list.count};
}

const Md5LaneKernel& Md5FastestLaneKernel() {
  static const Md5LaneKernel& fastest = [] () -> const Md5LaneKernel& {
    for (const Md5LaneKernel* kernel : Md5LaneKernels())
      if (kernel->available()) return *kernel;
    return kScalar;
  }();
  return fastest;
}

Md5Lanes::Md5Lanes(const Md5LaneKernel& kernel) : m_kernel(kernel) {
  std::memset(&m_state, 0, sizeof m_state);
}

void Md5Lanes::Start(int lane) {
  m_lanes[lane] = LaneData{};
  m_lanes[lane].phase = Lane::Hungry;
  for (int i = 0; i < 4; ++i) m_state.abcd[i][lane] = kMd5Initial[i];
}

void Md5Lanes::Feed(int lane, const unsigned char* bytes, size_t count, bool last) {
  LaneData& data = m_lanes[lane];
  data.bytes = bytes;
  data.count = count;
  data.last = last;
  data.length += count;
  data.phase = Lane::Busy;
  NextSpan(lane);
}

void Md5Lanes::Take(int lane, unsigned char digest[16]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<unsigned char>(m_state.abcd[i][lane] >> (8 * j));
  m_lanes[lane].phase = Lane::Free;
}

// Called when a busy lane has no blocks left: points it at its next whole blocks, or leaves it
// hungry or done.
void Md5Lanes::NextSpan(int lane) {
  LaneData& data = m_lanes[lane];
  if (data.padded) {
    data.phase = Lane::Done;
    return;
  }
  if (data.pendingFill != 0) {
    const size_t take = std::min(64 - data.pendingFill, data.count);
    std::memcpy(data.pending + data.pendingFill, data.bytes, take);
    data.pendingFill += take;
    data.bytes += take;
    data.count -= take;
    if (data.pendingFill == 64) {
      data.pendingFill = 0;
      m_state.next[lane] = data.pending;
      data.spanBlocks = 1;
      return;
    }
  } else if (data.count >= 64) {
    data.spanBlocks = data.count / 64;
    m_state.next[lane] = data.bytes;
    data.bytes += 64 * data.spanBlocks;
    data.count -= 64 * data.spanBlocks;
    return;
  } else if (data.count != 0) {
    std::memcpy(data.pending, data.bytes, data.count);
    data.pendingFill = data.count;
    data.count = 0;
  }
  if (data.last) Pad(lane);
  else data.phase = Lane::Hungry;
}

// The message's last partial block, the 0x80 byte, zeros and the length in bits, least
// significant byte first, ending a block: one block, or two when the tail leaves no room.
void Md5Lanes::Pad(int lane) {
  LaneData& data = m_lanes[lane];
  size_t fill = data.pendingFill;
  data.pending[fill++] = 0x80;
  const size_t end = fill <= 56 ? 64 : 128;
  std::memset(data.pending + fill, 0, end - 8 - fill);
  const uint64_t bits = data.length << 3;
  for (int i = 0; i < 8; ++i) data.pending[end - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
  data.pendingFill = 0;
  data.padded = true;
  m_state.next[lane] = data.pending;
  data.spanBlocks = end / 64;
}

bool Md5Lanes::NeedsCaller() const {
  for (int lane = 0; lane < m_kernel.lanes; ++lane)
    if (m_lanes[lane].phase == Lane::Hungry || m_lanes[lane].phase == Lane::Done) return true;
  return false;
}

bool Md5Lanes::Run() {
  for (;;) {
    if (NeedsCaller()) return true;
    bool busy = false;
    for (int lane = 0; lane < m_kernel.lanes; ++lane) busy = busy || m_lanes[lane].phase == Lane::Busy;
    if (!busy) return false;
    Step();
  }
}

// One kernel call over the busy lanes, for as many blocks as the shortest of them has. Run
// calls it only while every lane is busy or free; a free lane reads a busy lane's blocks, which
// are long enough, and what it computes is dropped when it starts a message.
void Md5Lanes::Step() {
  const int width = m_kernel.lanes;
  int busy[kMaxMd5Lanes];
  int running = 0;
  size_t blocks = SIZE_MAX;
  for (int lane = 0; lane < width; ++lane) {
    if (m_lanes[lane].phase != Lane::Busy) continue;
    busy[running++] = lane;
    blocks = std::min(blocks, m_lanes[lane].spanBlocks);
  }

  if (running < m_kernel.minRunning) {
    for (int i = 0; i < running; ++i) {
      const int lane = busy[i];
      uint32_t abcd[4];
      for (int w = 0; w < 4; ++w) abcd[w] = m_state.abcd[w][lane];
      Md5Transform(abcd, m_state.next[lane], m_lanes[lane].spanBlocks);
      for (int w = 0; w < 4; ++w) m_state.abcd[w][lane] = abcd[w];
      m_lanes[lane].spanBlocks = 0;
      NextSpan(lane);
    }
    return;
  }

  for (int lane = 0; lane < width; ++lane)
    if (m_lanes[lane].phase != Lane::Busy) m_state.next[lane] = m_state.next[busy[0]];
  m_kernel.transform(m_state, blocks);
  for (int i = 0; i < running; ++i) {
    const int lane = busy[i];
    if ((m_lanes[lane].spanBlocks -= blocks) == 0) NextSpan(lane);
  }
}

}  // namespace hk::checksum

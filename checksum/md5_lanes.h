// Multi-lane MD5: up to 16 independent messages digested side by side, one per lane of a vector
// kernel. One message is bound by the serial chain of its 64 steps; independent messages are
// not, so a kernel of N lanes does close to N times the work per instruction. Results are the
// scalar engine's (md5.h) bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hk::checksum {

constexpr int kMaxMd5Lanes = 16;

// What a kernel works on: the chaining values of every lane, word by word (abcd[0][lane] is
// lane's A), and where each lane's next block lies.
struct Md5LaneState {
  alignas(64) uint32_t abcd[4][kMaxMd5Lanes];
  const unsigned char* next[kMaxMd5Lanes];
};

// Transforms 'blocks' consecutive 64-byte blocks in each of the kernel's lanes (every lane must
// have that many) and advances each next[] past them. Lanes beyond the kernel's width are left
// alone.
using Md5LaneTransform = void (*)(Md5LaneState& state, size_t blocks);

struct Md5LaneKernel {
  const char* name;
  int lanes;             // how many messages the kernel advances at once
  int minRunning;        // below this many busy lanes, the one-message engine is faster
  bool (*available)();   // whether this processor (and its system) can run the kernel
  Md5LaneTransform transform;
};

// Every kernel built for this architecture, widest first; the last is the one-message engine
// (one lane), which runs everywhere.
std::span<const Md5LaneKernel* const> Md5LaneKernels();
// The widest kernel this processor can run, chosen once.
const Md5LaneKernel& Md5FastestLaneKernel();

// The per-architecture kernels; null where this build has none of that kind.
const Md5LaneKernel* Md5Avx512Kernel();
const Md5LaneKernel* Md5Avx2Kernel();
const Md5LaneKernel* Md5Sse2Kernel();

// Feeds messages through a kernel's lanes. Each lane holds one message at a time; its bytes are
// handed over in pieces of any size, which stay the caller's and must stay valid until the lane
// asks for more (or has finished). A driver loops: start or feed every lane that waits, take
// the digests of those that are done, then Run.
class Md5Lanes {
 public:
  enum class Lane {
    Free,      // holds no message: Start one
    Hungry,    // has used up its bytes: Feed the next piece
    Busy,      // has bytes to digest
    Done,      // its message is digested: Take the digest
  };

  explicit Md5Lanes(const Md5LaneKernel& kernel = Md5FastestLaneKernel());

  int Lanes() const { return m_kernel.lanes; }
  Lane State(int lane) const { return m_lanes[lane].phase; }

  // Begins a new message in a free lane, which then waits for its first piece.
  void Start(int lane);
  // The next 'count' bytes of the lane's message; 'last' when they end it (a last piece may be
  // empty).
  void Feed(int lane, const unsigned char* bytes, size_t count, bool last);
  // Digests until at least one lane is hungry or done. Answers false when no lane was busy.
  bool Run();
  // The digest of a finished message, in RFC 1321 byte order; the lane becomes free.
  void Take(int lane, unsigned char digest[16]);
  // Gives up the message of a lane that is not busy (its bytes could not be had); the lane
  // becomes free.
  void Drop(int lane) { m_lanes[lane].phase = Lane::Free; }

 private:
  struct LaneData {
    Lane phase = Lane::Free;
    bool padded = false;                   // the span is the message's padding
    bool last = false;                     // the piece ends the message
    const unsigned char* bytes = nullptr;  // what is left of the piece
    size_t count = 0;
    uint64_t length = 0;                   // message bytes handed over so far
    size_t spanBlocks = 0;                 // whole blocks left at m_state.next[lane]
    size_t pendingFill = 0;                // bytes of a partial block kept in pending
    unsigned char pending[128];            // a partial block, then the padding (one or two blocks)
  };

  void NextSpan(int lane);
  void Pad(int lane);
  bool NeedsCaller() const;
  void Step();

  Md5LaneKernel m_kernel;
  Md5LaneState m_state;
  LaneData m_lanes[kMaxMd5Lanes];
};

}  // namespace hk::checksum

// The multi-lane MD5 engine: every kernel this processor runs, behind the lane driver, against
// the one-message engine, with messages of different lengths fed in pieces.
#include "checksum/md5.h"
#include "checksum/md5_lanes.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hk::checksum::Md5LaneKernel;
using hk::checksum::Md5Lanes;

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

std::string ScalarDigest(const std::string& message) {
  hk::checksum::Md5State state;
  hk::checksum::Md5Init(state);
  hk::checksum::Md5Update(state, Bytes(message), message.size());
  hk::checksum::Md5Finish(state);
  return std::string(reinterpret_cast<const char*>(state.digest), 16);
}

class Md5LaneKernelTest : public testing::TestWithParam<const Md5LaneKernel*> {
 protected:
  void SetUp() override {
    if (!GetParam()->available())
      GTEST_SKIP() << "this processor lacks the instructions of the " << GetParam()->name << " kernel";
  }
};

// Digests every message through the driver, handing each lane its message in pieces of random
// size, and starting the next message in a lane as soon as one is taken.
std::vector<std::string> LaneDigests(const Md5LaneKernel& kernel, const std::vector<std::string>& messages,
                                     std::mt19937& random) {
  Md5Lanes lanes(kernel);
  std::vector<std::string> digests(messages.size());
  std::vector<size_t> message(lanes.Lanes()), offset(lanes.Lanes());
  size_t started = 0;
  std::uniform_int_distribution<size_t> pieceSize(0, 300);
  do {
    for (int lane = 0; lane < lanes.Lanes(); ++lane) {
      while (lanes.State(lane) != Md5Lanes::Lane::Busy) {
        if (lanes.State(lane) == Md5Lanes::Lane::Done) {
          unsigned char digest[16];
          lanes.Take(lane, digest);
          digests[message[lane]] = std::string(reinterpret_cast<const char*>(digest), 16);
        } else if (lanes.State(lane) == Md5Lanes::Lane::Free) {
          if (started == messages.size()) break;
          message[lane] = started++;
          offset[lane] = 0;
          lanes.Start(lane);
        } else {
          const auto& bytes = messages[message[lane]];
          const size_t count = std::min(pieceSize(random), bytes.size() - offset[lane]);
          const bool last = offset[lane] + count == bytes.size() && random() % 4 != 0;
          lanes.Feed(lane, Bytes(bytes) + offset[lane], count, last);
          offset[lane] += count;
        }
      }
    }
  } while (lanes.Run());
  return digests;
}

// Lengths around the padding's edges and random ones up to several blocks, a different one in
// every lane, so that lanes end at different times and are refilled while others run.
TEST_P(Md5LaneKernelTest, LaneDriverDigestsMessagesAsTheScalarEngine) {
  std::mt19937 random(5);
  std::vector<std::string> messages;
  for (size_t length : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000})
    messages.push_back(hk::test::RandomBytes(length, random()));
  while (messages.size() < 3 * static_cast<size_t>(GetParam()->lanes) + 20)
    messages.push_back(hk::test::RandomBytes(random() % 700, random()));

  // As chosen (busy lanes below its minimum go to the scalar engine), and with the kernel
  // running even when a single lane is busy.
  Md5LaneKernel always = *GetParam();
  always.minRunning = 1;
  for (const Md5LaneKernel* kernel : {GetParam(), static_cast<const Md5LaneKernel*>(&always)}) {
    const std::vector<std::string> digests = LaneDigests(*kernel, messages, random);
    for (size_t i = 0; i < messages.size(); ++i)
      EXPECT_EQ(digests[i], ScalarDigest(messages[i])) << "message " << i << " of " << messages[i].size() << " bytes";
  }
}

std::string KernelName(const testing::TestParamInfo<const Md5LaneKernel*>& info) {
  std::string name;
  for (const char* c = info.param->name; *c; ++c)
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  return name;
}

INSTANTIATE_TEST_SUITE_P(Kernels, Md5LaneKernelTest, testing::ValuesIn(hk::checksum::Md5LaneKernels()), KernelName);

}  // namespace

// The multi-lane MD5 engine: every kernel this processor runs against the one-message engine,
// on its own and behind the lane driver with messages of different lengths fed in pieces.
#include "checksum/md5.h"
#include "checksum/md5_lanes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using hk::checksum::Md5LaneKernel;
using hk::checksum::Md5Lanes;
using hk::checksum::Md5LaneState;

std::vector<unsigned char> RandomBytes(std::mt19937& random, size_t count) {
  std::vector<unsigned char> bytes(count);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

std::string ScalarDigest(const std::vector<unsigned char>& message) {
  hk::checksum::Md5State state;
  hk::checksum::Md5Init(state);
  hk::checksum::Md5Update(state, message.data(), message.size());
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

// The kernel alone: distinct chaining values and data in every lane, several calls of different
// lengths; lanes beyond the kernel's width are left alone.
TEST_P(Md5LaneKernelTest, TransformsEveryLaneAsTheScalarEngine) {
  const Md5LaneKernel& kernel = *GetParam();
  std::mt19937 random(11);
  Md5LaneState state{};
  uint32_t expected[hk::checksum::kMaxMd5Lanes][4];
  for (int lane = 0; lane < hk::checksum::kMaxMd5Lanes; ++lane)
    for (int w = 0; w < 4; ++w) expected[lane][w] = state.abcd[w][lane] = static_cast<uint32_t>(random());

  for (size_t blocks : {1, 3, 2, 7}) {
    std::vector<std::vector<unsigned char>> data;
    for (int lane = 0; lane < kernel.lanes; ++lane) {
      data.push_back(RandomBytes(random, 64 * blocks));
      state.next[lane] = data.back().data();
      hk::checksum::Md5Transform(expected[lane], data.back().data(), blocks);
    }
    kernel.transform(state, blocks);
    for (int lane = 0; lane < hk::checksum::kMaxMd5Lanes; ++lane) {
      for (int w = 0; w < 4; ++w) EXPECT_EQ(state.abcd[w][lane], expected[lane][w]) << "lane " << lane;
      if (lane < kernel.lanes) EXPECT_EQ(state.next[lane], data[lane].data() + 64 * blocks);
      else EXPECT_EQ(state.next[lane], nullptr);
    }
  }
}

// Digests every message through the driver, handing each lane its message in pieces of random
// size, and starting the next message in a lane as soon as one is taken.
std::vector<std::string> LaneDigests(const Md5LaneKernel& kernel, const std::vector<std::vector<unsigned char>>& messages,
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
          lanes.Feed(lane, bytes.data() + offset[lane], count, last);
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
  std::vector<std::vector<unsigned char>> messages;
  for (size_t length : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000})
    messages.push_back(RandomBytes(random, length));
  while (messages.size() < 3 * static_cast<size_t>(GetParam()->lanes) + 20)
    messages.push_back(RandomBytes(random, random() % 700));

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

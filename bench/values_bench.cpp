// Checksum throughput in memory: GetCRC32 and CNuMD5::GetBufferMD5 on buffers of 4 KiB, 1 MiB and
// 256 MiB, each CRC update path on its own (the byte table, slicing, folding) and each multi-lane
// MD5 kernel (all its lanes busy, 256 KiB per lane); and, for scale, what one core reads from and
// copies within memory.
#include <hostkit/hostkit.h>

#include "checksum/crc32.h"
#include "checksum/md5_lanes.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<unsigned char>& Buffer(size_t size) {
  static std::vector<unsigned char> bytes;
  if (bytes.size() < size) {
    std::mt19937 random(7);
    bytes.resize(size);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
  }
  return bytes;
}

void Crc32(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  auto& bytes = Buffer(size);
  for (auto _ : state) benchmark::DoNotOptimize(GetCRC32(bytes.data(), static_cast<int>(size)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void BufferMD5(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  auto& bytes = Buffer(size);
  CNuMD5 md5;
  for (auto _ : state) {
    md5.GetBufferMD5(bytes.data(), static_cast<int>(size));
    benchmark::DoNotOptimize(md5.GetData().GetData());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

template <uint32_t (*Update)(uint32_t, const unsigned char*, size_t)>
void CrcPath(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  auto& bytes = Buffer(size);
  hk::checksum::Crc32Tables();
  if ((Update == hk::checksum::Crc32UpdateFolding && !hk::checksum::Crc32HasFolding()) ||
      (Update == hk::checksum::Crc32UpdateWideFolding && !hk::checksum::Crc32HasWideFolding())) {
    state.SkipWithError("no carry-less multiply on this processor");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Update(0xFFFFFFFFu, bytes.data(), size));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void Md5Kernel(benchmark::State& state) {
  const auto kernels = hk::checksum::Md5LaneKernels();
  const auto& kernel = *kernels[static_cast<size_t>(state.range(0))];
  state.SetLabel(kernel.name);
  if (!kernel.available()) {
    state.SkipWithError("this processor lacks the kernel's instructions");
    return;
  }
  constexpr size_t kPerLane = 256 * 1024;
  auto& bytes = Buffer(kPerLane * static_cast<size_t>(kernel.lanes));
  hk::checksum::Md5LaneState lanes{};
  for (auto _ : state) {
    for (int lane = 0; lane < kernel.lanes; ++lane) lanes.next[lane] = bytes.data() + kPerLane * static_cast<size_t>(lane);
    kernel.transform(lanes, kPerLane / 64);
    benchmark::DoNotOptimize(lanes.abcd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPerLane) * kernel.lanes);
}

// One pass over the buffer adding up its 64-bit words: the rate one core reads memory at.
void MemoryRead(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  auto& bytes = Buffer(size);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (size_t i = 0; i + 8 <= size; i += 8) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      sum += word;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void MemoryCopy(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  auto& bytes = Buffer(size);
  std::vector<unsigned char> target(size, 1);
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), size);
    benchmark::DoNotOptimize(target.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;

BENCHMARK(Crc32)->Arg(4 * kKiB)->Arg(kMiB)->Arg(256 * kMiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BufferMD5)->Arg(4 * kKiB)->Arg(kMiB)->Arg(256 * kMiB)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(CrcPath, hk::checksum::Crc32UpdateBytewise)->Name("CrcBytewise")->Arg(kMiB);
BENCHMARK_TEMPLATE(CrcPath, hk::checksum::Crc32UpdateSlicing)->Name("CrcSlicing")->Arg(kMiB);
BENCHMARK_TEMPLATE(CrcPath, hk::checksum::Crc32UpdateFolding)->Name("CrcFolding")->Arg(kMiB);
BENCHMARK_TEMPLATE(CrcPath, hk::checksum::Crc32UpdateWideFolding)->Name("CrcWideFolding")->Arg(kMiB);
BENCHMARK(Md5Kernel)->DenseRange(0, static_cast<int>(hk::checksum::Md5LaneKernels().size()) - 1);
BENCHMARK(MemoryRead)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(MemoryCopy)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

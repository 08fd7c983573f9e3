// Path benchmarks: spec lists with a pathological wildcard spec, and the canonical form of
// long names full of ".." segments. The plain recursive matcher and the in-place rewrite of
// tests/path/reference.h are measured beside the library as the peers.
#include <hostkit/hostkit.h>

#include "path/internal.h"
#include "tests/path/reference.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A user-written exclusion list with one spec of many stars that cannot match a name of a's.
std::string PathologicalSpec(int stars) {
  std::string spec;
  for (int i = 0; i < stars; ++i) spec += "*a";
  return spec + "*b";
}

std::string PathologicalList(int stars) { return "*.bak; " + PathologicalSpec(stars) + "; *.tmp"; }

// A name of 'length' bytes: 'depth' directories, then as many ".." segments, then padding.
std::string ParentHeavyPath(size_t length) {
  std::string path;
  const size_t pairs = length / 5 - 1;  // "d\" and "..\" per directory
  for (size_t i = 0; i < pairs; ++i) path += "d\\";
  for (size_t i = 0; i < pairs; ++i) path += "..\\";
  path.resize(length, 'f');
  return path;
}

void SpecListLongName(benchmark::State& state) {
  const CString list = PathologicalList(static_cast<int>(state.range(0))).c_str();
  const CString name = std::string(255, 'a').c_str();
  for (auto _ : state) benchmark::DoNotOptimize(NameIsInSpecList(name, list));
}
BENCHMARK(SpecListLongName)->Arg(12)->Arg(60)->Unit(benchmark::kMicrosecond);

// A small input on which the recursive matcher still finishes: 8 stars, 25 characters.
void SpecListSmallName(benchmark::State& state) {
  const CString list = PathologicalList(8).c_str();
  const CString name = std::string(25, 'a').c_str();
  for (auto _ : state) benchmark::DoNotOptimize(NameIsInSpecList(name, list));
}
BENCHMARK(SpecListSmallName)->Unit(benchmark::kMicrosecond);

void RecursiveSmallName(benchmark::State& state) {
  const std::string spec = PathologicalSpec(8);
  const std::string name(25, 'a');
  for (auto _ : state) benchmark::DoNotOptimize(hk::test::ReferenceMatch(spec, 0, name, 0));
}
BENCHMARK(RecursiveSmallName)->Unit(benchmark::kMicrosecond);

void Canonical(benchmark::State& state) {
  const std::string path = ParentHeavyPath(static_cast<size_t>(state.range(0)));
  const CString text = path.c_str();
  for (auto _ : state) benchmark::DoNotOptimize(GetCanonicalPathName(text, FALSE));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(Canonical)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);

void CanonicalInPlace(benchmark::State& state) {
  const std::string path = ParentHeavyPath(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(hk::test::ReferenceCanonical(path, false));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(CanonicalInPlace)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// What every vector MD5 kernel's source does around its code: compiles it for one instruction
// set, under either compiler, and defines the kernel's accessor. A source includes this with
// its other headers, opens its code with HK_MD5_TARGET_BEGIN("avx2"), ends it with
// HK_MD5_TARGET_END, then defines its accessor with HK_MD5_LANE_KERNEL; on an architecture
// without such a kernel it defines the accessor with HK_MD5_NO_LANE_KERNEL.
#pragma once

#include "checksum/md5_lanes.h"

#define HK_MD5_PRAGMA(text) _Pragma(#text)

// Clang takes the instruction set through an attribute on every function that follows.
#if defined(__clang__)
#  define HK_MD5_TARGET_BEGIN(isa) \
    HK_MD5_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#  define HK_MD5_TARGET_END HK_MD5_PRAGMA(clang attribute pop)
#else
#  define HK_MD5_TARGET_BEGIN(isa) HK_MD5_PRAGMA(GCC push_options) HK_MD5_PRAGMA(GCC target(isa))
#  define HK_MD5_TARGET_END HK_MD5_PRAGMA(GCC pop_options)
#endif

// Defines Accessor(), the kernel `transform` of `lanes` lanes, worth running from `minRunning`
// busy lanes, on processors that have the instruction set `feature` names. Outside the
// kernel's target: the check must run on any processor.
#define HK_MD5_LANE_KERNEL(Accessor, name, feature, lanes, minRunning, transform)               \
  namespace hk::checksum {                                                                      \
  namespace {                                                                                   \
  bool Accessor##Available() {                                                                  \
    __builtin_cpu_init();                                                                       \
    return __builtin_cpu_supports(feature);                                                     \
  }                                                                                             \
  constexpr Md5LaneKernel k##Accessor{name, lanes, minRunning, Accessor##Available, transform}; \
  }                                                                                             \
  const Md5LaneKernel* Accessor() { return &k##Accessor; }                                      \
  }

#define HK_MD5_NO_LANE_KERNEL(Accessor)               \
  namespace hk::checksum {                            \
  const Md5LaneKernel* Accessor() { return nullptr; } \
  }

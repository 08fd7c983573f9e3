// Temporary-file naming (internal).
#pragma once

#include <functional>

namespace hk::path {

// Replaces the random numbers CreateTempFile forms its names from (hk<8 hex digits>.tmp), so
// that a test can make it meet names that are already taken; an empty function restores the
// system's random source. Returns the previous source.
std::function<unsigned()> SetTempNameSource(std::function<unsigned()> source);

}  // namespace hk::path

// Calendar conversions of the C run time in their thread-safe forms, which the platforms spell
// differently. Used by the framework's time classes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace hk {

// The broken-down local (or UTC) time of seconds since 1970; false when the run time cannot
// represent it.
bool LocalTm(int64_t time, std::tm& out);
bool UtcTm(int64_t time, std::tm& out);

// strftime; 0 when the result does not fit or the format holds a conversion the platform's
// run time does not support (some run times abort on those instead of answering).
size_t FormatTm(char* buffer, size_t size, const char* format, const std::tm& tm);

}  // namespace hk

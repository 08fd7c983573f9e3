// Scratch names: a file the library writes under a final name (a stored file, a copy) is first
// written beside it under a scratch name, then renamed, so that a process killed on the way
// leaves the old file or the new one, never a torn one. Scratch names have one shape,
// "~<start of the final name>.<8 hex digits>.tmp", which no ID-named file has, so that
// listings can leave out and clear away what a killed writer left behind.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

namespace hk {

// What a scratch name adds to the part of the final name it keeps: "~", ".", 8 digits, ".tmp".
inline constexpr size_t kScratchMarks = 14;

// The scratch name beside `path` for the given number. It is never longer than the final
// name's own last component (or 14 characters for shorter names), so that wherever the final
// name fits, so does its scratch name.
inline std::string ScratchNameFor(const char* path, unsigned number) {
  const char* slash = std::strrchr(path, '/');
  const char* back = std::strrchr(path, '\\');
  if (back != nullptr && (slash == nullptr || back > slash)) slash = back;
  const char* name = slash != nullptr ? slash + 1 : path;
  const size_t length = std::strlen(name);
  const size_t kept = length > kScratchMarks ? length - kScratchMarks : 0;
  char digits[16];
  std::snprintf(digits, sizeof digits, ".%08X.tmp", number);
  return std::string(path, static_cast<size_t>(name - path)) + "~" + std::string(name, kept) + digits;
}

// Whether an entry's own name has the shape of a scratch name.
inline bool IsScratchName(const char* name) {
  const size_t length = std::strlen(name);
  if (length < kScratchMarks || name[0] != '~' || std::strcmp(name + length - 4, ".tmp") != 0) return false;
  const char* digits = name + length - 12;
  if (digits[-1] != '.') return false;
  for (int i = 0; i < 8; ++i)
    if (!((digits[i] >= '0' && digits[i] <= '9') || (digits[i] >= 'A' && digits[i] <= 'F'))) return false;
  return true;
}

}  // namespace hk

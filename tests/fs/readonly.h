// Whether the system honours the read-only attribute for this user.
#pragma once

#include "platform/win32.h"

#include <string>

namespace hk::test {

// TRUE when a file marked read-only still opens for writing: Wine maps the attribute to the
// owner's write permission, which a process running as root does not need.
inline bool ReadOnlyIsWritable(const std::string& readOnlyFile) {
  HANDLE h = CreateFileA(readOnlyFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace hk::test

// Contents and times of test files: random bytes that a seed repeats, and a file's last-write
// time read and set in 100 ns units.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

namespace hk::test {

inline std::string RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// The file's last-write time; 0 when it does not open.
inline int64_t WriteTime(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME write{};
  if (h == INVALID_HANDLE_VALUE) return 0;
  GetFileTime(h, nullptr, nullptr, &write);
  CloseHandle(h);
  return (static_cast<int64_t>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
}

inline bool SetWriteTime(const std::string& path, int64_t value) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const FILETIME ft{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
  const bool set = SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
  return set;
}

// How many files this process holds open, to tell a leak; -1 where the system does not say
// (no /proc/self/fd).
inline int OpenDescriptors() {
  std::error_code ec;
  int count = 0;
  for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec)) ++count;
  return ec ? -1 : count;
}

}  // namespace hk::test

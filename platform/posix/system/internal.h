// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Helpers shared by the POSIX implementation files; nothing outside platform/posix uses them.
#pragma once

#include "platform/posix/system/system.h"

#include <cerrno>
#include <ctime>
#include <string>

namespace hk::posix {

// Checks a name once at entry: NULL, empty or over-long names set ERROR_INVALID_NAME (or
// ERROR_FILENAME_EXCED_RANGE) and give false; otherwise 'out' is the name with every '\\'
// turned into '/', the form the system calls take. A component longer than 255 bytes is a
// name whose syntax the file system refuses (ERROR_INVALID_NAME); the whole name may not
// reach 4096 bytes (ERROR_FILENAME_EXCED_RANGE). A name that would pass by an entry whose own
// name holds a backslash (a\b, which the translation would turn into a/b) cannot address it
// and is refused as well (ERROR_INVALID_NAME), rather than reaching another file.
bool NativePath(LPCSTR name, std::string& out);

// Whether some directory on the way of a name holding '\' has an entry whose own name matches
// the text there with its backslashes kept (platform/posix/files/backslash.cpp).
bool BackslashEntryOnTheWay(const std::string& name);

// Retries a system call interrupted by a signal.
template <typename F>
auto RetryOnInterrupt(F call) -> decltype(call()) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

// FILETIME counts 100-nanosecond intervals since 1601-01-01 UTC.
constexpr int64_t kFileTimeUnixEpoch = 116444736000000000LL;
FILETIME FileTimeFromTimespec(const timespec& ts);
timespec TimespecFromFileTime(const FILETIME& ft);
int64_t FileTimeToInt(const FILETIME& ft);
FILETIME FileTimeFromInt(int64_t value);

// Handles: every HANDLE the POSIX layer gives out points at a HandleObject; the table of live
// handles lets a stale or made-up handle fail with ERROR_INVALID_HANDLE instead of crashing.
struct HandleObject {
  virtual ~HandleObject() = default;
  // Releases what the handle holds; false (with the last error set) when that failed.
  virtual bool Close() { return true; }
};
HANDLE RegisterHandle(HandleObject* object);
// The object behind a live handle, or nullptr (last error ERROR_INVALID_HANDLE).
HandleObject* LookupHandle(HANDLE handle);
template <typename T>
T* HandleAs(HANDLE handle) {
  T* object = dynamic_cast<T*>(LookupHandle(handle));
  if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace hk::posix

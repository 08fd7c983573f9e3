// Fault switches for the system answers that tests cannot otherwise bring about: a machine that
// has no network address to make a UUID from, a system clock that is stepped back, a disk that
// fills up, a system without the kernel's file-copy calls, and a process that dies at a chosen
// system call. The library calls the system functions concerned through hk::sys below (or, for
// the call table, the POSIX layer consults it); with every switch off they are the system's
// own calls, on both platforms. Switches are process-wide and meant for tests only.
#pragma once

#include "platform/win32.h"

#include <atomic>
#include <cstdint>

namespace hk::sys {

namespace detail {
inline std::atomic<bool> g_uuidNoAddress{false};
inline std::atomic<int64_t> g_clockShift100ns{0};
inline std::atomic<int64_t> g_diskBytesLeft{-1};
}  // namespace detail

// The file-system calls whose failure or interruption a crash-safe or full-volume case turns on:
// opening or creating a file, writing to it, reserving its blocks, syncing it, renaming it.
enum class Call { Open, Write, Allocate, Sync, Rename };

namespace detail {
struct CallFault {
  std::atomic<int> countdown{0};  // calls of the kind left before the fault; 0: off
  std::atomic<DWORD> error{0};
  std::atomic<void (*)()> hook{nullptr};
};
inline CallFault g_callFaults[5];
}  // namespace detail

// The ways a file copy may move its bytes, best first; each setting leaves out the ones before.
enum class CopyWays { All, WithoutRangeCopy, BufferOnly };

namespace detail {
inline std::atomic<CopyWays> g_copyWays{CopyWays::All};
}  // namespace detail

// While on, UuidCreate answers RPC_S_UUID_NO_ADDRESS and leaves the UUID as it was, as the
// system does on a machine without a network address.
inline void SetUuidNoAddressFault(bool on) { detail::g_uuidNoAddress.store(on); }

// Moves every reading of GetSystemTime by the given number of seconds (negative: the clock
// was stepped back); 0 restores the true clock.
inline void SetClockShiftFault(int64_t seconds) {
  detail::g_clockShift100ns.store(seconds * 10000000);
}

// While 0 or more, the disk holds only that many more bytes for WriteFile and for growing a file
// with SetEndOfFile: a write that does not fit stores what fits and fails with ERROR_DISK_FULL,
// as on a full volume, and so does a growth larger than what is left. -1 turns it off.
inline void SetDiskFullFault(int64_t bytesLeft) { detail::g_diskBytesLeft.store(bytesLeft); }

// Makes CopyFileA leave out the kernel's ways of copying. Answers whether this build has such
// ways to choose between: on Windows the system copies and the switch changes nothing.
inline bool SetCopyWaysFault(CopyWays ways) {
  detail::g_copyWays.store(ways);
#if defined(_WIN32)
  return false;
#else
  return true;
#endif
}

// Arms the nth next call of a kind made by the POSIX file layer (1: the very next one). With a
// hook, the hook runs just before that call and the call then proceeds (a test kills its own
// process there, standing for a crash at that point); without one, that call and every later one
// of the kind fail with `error` without reaching the system, as a volume that has filled up or
// gone away. nth 0 turns the kind off. Answers whether this build has such a layer: on Windows
// the system makes these calls itself and the switch changes nothing.
inline bool SetCallFault(Call call, int nth, DWORD error, void (*hook)() = nullptr) {
  detail::CallFault& fault = detail::g_callFaults[static_cast<int>(call)];
  fault.countdown.store(0);
  fault.error.store(error);
  fault.hook.store(hook);
  fault.countdown.store(nth);
#if defined(_WIN32)
  return false;
#else
  return true;
#endif
}

// Counts one call of a kind against its switch: true when the call is to fail (with the
// switch's error); a hook due now runs before this answers false.
inline bool CallFaultDue(Call call, DWORD& error) {
  detail::CallFault& fault = detail::g_callFaults[static_cast<int>(call)];
  int left = fault.countdown.load();
  if (left <= 0) return false;
  if (left > 1) {
    fault.countdown.compare_exchange_strong(left, left - 1);
    return false;
  }
  if (void (*hook)() = fault.hook.load()) {
    fault.countdown.store(0);
    hook();
    return false;
  }
  error = fault.error.load();
  return true;
}

inline RPC_STATUS UuidCreate(UUID* uuid) {
  if (detail::g_uuidNoAddress.load()) return RPC_S_UUID_NO_ADDRESS;
  return ::UuidCreate(uuid);
}

inline void GetSystemTime(SYSTEMTIME* now) {
  ::GetSystemTime(now);
  const int64_t shift = detail::g_clockShift100ns.load();
  if (shift == 0) return;
  FILETIME ft;
  if (!::SystemTimeToFileTime(now, &ft)) return;
  uint64_t value = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  value += static_cast<uint64_t>(shift);
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  SYSTEMTIME shifted;
  if (::FileTimeToSystemTime(&ft, &shifted)) *now = shifted;
}

// A synchronous write (no overlapped record).
inline BOOL WriteFile(HANDLE file, LPCVOID data, DWORD count, LPDWORD written) {
  const int64_t left = detail::g_diskBytesLeft.load();
  if (left < 0 || count <= left) {
    const BOOL ok = ::WriteFile(file, data, count, written, nullptr);
    if (ok && left >= 0) detail::g_diskBytesLeft.fetch_sub(count);
    return ok;
  }
  DWORD stored = 0;
  if (left > 0 && !::WriteFile(file, data, static_cast<DWORD>(left), &stored, nullptr)) return FALSE;
  detail::g_diskBytesLeft.store(0);
  if (written != nullptr) *written = stored;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

// Sets the end of the file at its pointer. Growing the file reserves its blocks (as on Windows),
// so a volume without room for them refuses the growth with ERROR_DISK_FULL.
inline BOOL SetEndOfFile(HANDLE file) {
  const int64_t left = detail::g_diskBytesLeft.load();
  if (left >= 0) {
    DWORD high = 0;
    const DWORD low = ::GetFileSize(file, &high);
    LONG pointerHigh = 0;
    const DWORD pointerLow = ::SetFilePointer(file, 0, &pointerHigh, FILE_CURRENT);
    const int64_t size = (static_cast<int64_t>(high) << 32) | low;
    const int64_t end = (static_cast<int64_t>(pointerHigh) << 32) | pointerLow;
    if (end - size > left) {
      SetLastError(ERROR_DISK_FULL);
      return FALSE;
    }
    if (end > size) detail::g_diskBytesLeft.fetch_sub(end - size);
  }
  return ::SetEndOfFile(file);
}

}  // namespace hk::sys

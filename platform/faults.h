// Fault switches for the system answers that tests cannot otherwise bring about: a machine that
// has no network address to make a UUID from, a system clock that is stepped back, a disk that
// fills up, and a system without the kernel's file-copy calls. The library calls the system
// functions concerned through hk::sys below; with every switch off they are the system's own
// calls, on both platforms. Switches are process-wide and meant for tests only.
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

// While 0 or more, the disk holds only that many more bytes for WriteFile: a write that does not
// fit stores what fits and fails with ERROR_DISK_FULL, as on a full volume. -1 turns it off.
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

}  // namespace hk::sys

// Fault switches for the system answers that tests cannot otherwise bring about: a machine that
// has no network address to make a UUID from, and a system clock that is stepped back. The
// library calls the two system functions through hk::sys below; with every switch off they
// are the system's own calls, on both platforms. Switches are process-wide and meant for
// tests only.
#pragma once

#include "platform/win32.h"

#include <atomic>
#include <cstdint>

namespace hk::sys {

namespace detail {
inline std::atomic<bool> g_uuidNoAddress{false};
inline std::atomic<int64_t> g_clockShift100ns{0};
}  // namespace detail

// While on, UuidCreate answers RPC_S_UUID_NO_ADDRESS and leaves the UUID as it was, as the
// system does on a machine without a network address.
inline void SetUuidNoAddressFault(bool on) { detail::g_uuidNoAddress.store(on); }

// Moves every reading of GetSystemTime by the given number of seconds (negative: the clock
// was stepped back); 0 restores the true clock.
inline void SetClockShiftFault(int64_t seconds) {
  detail::g_clockShift100ns.store(seconds * 10000000);
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

}  // namespace hk::sys

// Time values for tests: FILETIME counts, SYSTEMTIME records built from their fields, and the
// fields of each time type as one array, so that a date compares in one line.
#pragma once

#include <hostkit/hostkit.h>

#include <array>
#include <cstdint>

namespace hk::test {

constexpr int64_t kUnitsPerSecond = 10000000;               // FILETIME counts 100 ns
constexpr int64_t kUnixEpochUnits = 116444736000000000LL;  // 1970-01-01 as a FILETIME

inline int64_t ValueOf(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

inline FILETIME FileTimeOf(int64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value));
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
  return ft;
}

inline FILETIME FromUnix(int64_t seconds) { return FileTimeOf(kUnixEpochUnits + seconds * kUnitsPerSecond); }

inline SYSTEMTIME SystemTimeOf(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  st.wMilliseconds = static_cast<WORD>(ms);
  return st;
}

// Year, month, day, hour, minute, second, then the day of the week as each type counts it
// (SYSTEMTIME: 0 = Sunday, then milliseconds; CTime and COleDateTime: 1 = Sunday).
using SystemFields = std::array<int, 8>;
using Fields = std::array<int, 7>;

inline SystemFields FieldsOf(const SYSTEMTIME& st) {
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wDayOfWeek, st.wMilliseconds};
}

template <typename T>  // CTime or COleDateTime
Fields FieldsOf(const T& t) {
  return {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond(), t.GetDayOfWeek()};
}

}  // namespace hk::test

// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/system.h"

#include "platform/calendar.h"
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <time.h>

namespace {

constexpr int64_t kUnitsPerMillisecond = 10000;
constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kUnitsPerDay = kUnitsPerSecond * 86400;
// The last SYSTEMTIME year a FILETIME can hold.
constexpr int kLastYear = 30827;

bool IsLeap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the first of January of 'year' (year >= 1601).
int64_t DaysBeforeYear(int64_t year) {
  const int64_t y = year - 1601;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

bool ValidSystemTime(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= kLastYear && st.wMonth >= 1 && st.wMonth <= 12 &&
         st.wDay >= 1 && st.wDay <= DaysInMonth(st.wYear, st.wMonth) && st.wHour < 24 &&
         st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

SYSTEMTIME SystemTimeFromUnits(int64_t units) {
  SYSTEMTIME st{};
  int64_t days = units / kUnitsPerDay;
  int64_t rest = units % kUnitsPerDay;
  st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  int64_t year = 1601 + days / 146097 * 400;
  days %= 146097;
  while (true) {
    const int64_t length = IsLeap(year) ? 366 : 365;
    if (days < length) break;
    days -= length;
    ++year;
  }
  int month = 1;
  while (days >= DaysInMonth(year, month)) {
    days -= DaysInMonth(year, month);
    ++month;
  }
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(days + 1);
  st.wHour = static_cast<WORD>(rest / (3600 * kUnitsPerSecond));
  rest %= 3600 * kUnitsPerSecond;
  st.wMinute = static_cast<WORD>(rest / (60 * kUnitsPerSecond));
  rest %= 60 * kUnitsPerSecond;
  st.wSecond = static_cast<WORD>(rest / kUnitsPerSecond);
  st.wMilliseconds = static_cast<WORD>(rest % kUnitsPerSecond / kUnitsPerMillisecond);
  return st;
}

timespec Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return ts;
}

// Seconds east of UTC of the local zone at this moment.
int64_t CurrentZoneOffset() {
  const time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

FILETIME Shifted(const FILETIME& ft, int64_t seconds) {
  // Unsigned arithmetic: a shift past either end wraps as the system's 64-bit sum does, and
  // never overflows a signed value.
  const uint64_t value = static_cast<uint64_t>(hk::posix::FileTimeToInt(ft)) +
                         static_cast<uint64_t>(seconds * kUnitsPerSecond);
  return hk::posix::FileTimeFromInt(static_cast<int64_t>(value));
}

}  // namespace

namespace hk {

bool LocalTm(int64_t time, std::tm& out) {
  const time_t value = static_cast<time_t>(time);
  if (static_cast<int64_t>(value) != time) return false;
  return localtime_r(&value, &out) != nullptr;
}

bool UtcTm(int64_t time, std::tm& out) {
  const time_t value = static_cast<time_t>(time);
  if (static_cast<int64_t>(value) != time) return false;
  return gmtime_r(&value, &out) != nullptr;
}

size_t FormatTm(char* buffer, size_t size, const char* format, const std::tm& tm) {
  if (size == 0) return 0;
  return std::strftime(buffer, size, format, &tm);
}

}  // namespace hk

void GetSystemTime(LPSYSTEMTIME time) {
  if (time == nullptr) return;
  const int64_t units = hk::posix::FileTimeToInt(hk::posix::FileTimeFromTimespec(Now()));
  *time = SystemTimeFromUnits(units);
}

void GetLocalTime(LPSYSTEMTIME time) {
  if (time == nullptr) return;
  const timespec now = Now();
  struct tm local {};
  if (localtime_r(&now.tv_sec, &local) == nullptr) {
    GetSystemTime(time);
    return;
  }
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  // A leap second shows as the 59th, as the system's clock never shows a 60th.
  time->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* time, LPFILETIME fileTime) {
  if (time == nullptr || fileTime == nullptr || !ValidSystemTime(*time))
    return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  int64_t days = DaysBeforeYear(time->wYear);
  for (int month = 1; month < time->wMonth; ++month) days += DaysInMonth(time->wYear, month);
  days += time->wDay - 1;
  const int64_t seconds = days * 86400 + time->wHour * 3600 + time->wMinute * 60 + time->wSecond;
  *fileTime = hk::posix::FileTimeFromInt(seconds * kUnitsPerSecond + time->wMilliseconds * kUnitsPerMillisecond);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME time) {
  if (fileTime == nullptr || time == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  const int64_t units = hk::posix::FileTimeToInt(*fileTime);
  if (units < 0) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);  // 0x8000000000000000 and up
  *time = SystemTimeFromUnits(units);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  if (fileTime == nullptr || localFileTime == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  *localFileTime = Shifted(*fileTime, CurrentZoneOffset());
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
  if (fileTime == nullptr || localFileTime == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  *fileTime = Shifted(*localFileTime, -CurrentZoneOffset());
  return TRUE;
}

DWORD GetTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
  return static_cast<DWORD>(ms);
}

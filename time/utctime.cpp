// The strictly increasing UTC clock, conversions of COleDateTime values and file times in UTC.
#include <hostkit/time.h>

#include "platform/faults.h"
#include "time/timelock.h"

namespace {

// One millisecond in days, as the clock has always added it.
constexpr double kOneMillisecond = 1.157407407407e-8;

// The last value the clock returned, as a day count; only read and written under the time lock.
double g_lastTime = 0.0;

// Converts a value in place through a FILETIME step; on any failure the value stays as it was.
template <typename Step>
void ConvertThroughFileTime(COleDateTime& time, Step step) {
  SYSTEMTIME st;
  COleDateTimeToSYSTEMTIME(time, st);
  FILETIME from, to;
  if (!SystemTimeToFileTime(&st, &from)) return;
  if (!step(&from, &to)) return;
  SYSTEMTIME result;
  if (!FileTimeToSystemTime(&to, &result)) return;
  time = result;
}

}  // namespace

COleDateTime CNuTime::GetCurrentUTCTime() {
  CSingleLock lock(&hk::timeenv::g_timeLock, TRUE);
  SYSTEMTIME st;
  hk::sys::GetSystemTime(&st);
  COleDateTime now(st);
  if (now.m_dt <= g_lastTime) {
    COleDateTime next(g_lastTime + kOneMillisecond);
    next.SetStatus(now.GetStatus());
    g_lastTime = next.m_dt;
    return next;
  }
  g_lastTime = now.m_dt;
  return now;
}

void GetCurrentUCTime(COleDateTime& time) { time = CNuTime::GetCurrentUTCTime(); }

CTime COleDateTimeToCTime(COleDateTime& time) {
  // The getters of a value that is not valid answer -1 for every field, which the C run time
  // would carry over into some unrelated date.
  if (time.GetStatus() != COleDateTime::valid || time.GetYear() < 0) return CTime(static_cast<int64_t>(-1));
  return CTime(time.GetYear(), time.GetMonth(), time.GetDay(), time.GetHour(), time.GetMinute(),
               time.GetSecond(), -1);
}

void COleDateTimeToSYSTEMTIME(COleDateTime time, SYSTEMTIME& st) {
  st.wYear = static_cast<WORD>(time.GetYear());
  st.wMonth = static_cast<WORD>(time.GetMonth());
  st.wDayOfWeek = static_cast<WORD>(time.GetDayOfWeek() - 1);
  st.wDay = static_cast<WORD>(time.GetDay());
  st.wHour = static_cast<WORD>(time.GetHour());
  st.wMinute = static_cast<WORD>(time.GetMinute());
  st.wSecond = static_cast<WORD>(time.GetSecond());
  st.wMilliseconds = 0;
}

void LocalTimeToUTC(COleDateTime& time) {
  ConvertThroughFileTime(time, [](const FILETIME* local, FILETIME* utc) { return LocalFileTimeToFileTime(local, utc); });
}

void UTCToLocalTime(COleDateTime& time) {
  ConvertThroughFileTime(time, [](const FILETIME* utc, FILETIME* local) { return FileTimeToLocalFileTime(utc, local); });
}

BOOL GetFileUTCTime(const char* path, COleDateTime& time) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA(path, &found);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  // A directory entry's last-write time is already UTC.
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&found.ftLastWriteTime, &st)) return FALSE;
  time = st;
  return TRUE;
}

BOOL SetFileUTCTime(const char* path, COleDateTime& time) {
  SYSTEMTIME st;
  COleDateTimeToSYSTEMTIME(time, st);
  // The value is taken as UTC as it stands: no zone conversion.
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return FALSE;
  // Others may keep reading the file meanwhile; a read-only file refuses write access.
  const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  const BOOL result = SetFileTime(file, nullptr, nullptr, &ft);
  CloseHandle(file);
  if (!result) return FALSE;
  // A file system may store another time than the one asked for and still report success (one
  // that cannot hold years before 1901 clamps them): read it back. Differences below two
  // seconds are the file system's granularity (FAT keeps even seconds), not another time.
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA(path, &found);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  const auto value = [](const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  const int64_t difference = value(found.ftLastWriteTime) - value(ft);
  constexpr int64_t kGranularity = 2 * 10000000;  // two seconds in 100 ns units
  return difference > -kGranularity && difference < kGranularity ? TRUE : FALSE;
}

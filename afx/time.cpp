// CTimeSpan, CTime and COleDateTime with the framework's arithmetic: CTime is the C run time's
// seconds since 1970 read as local time; COleDateTime counts days since 30 December 1899.
#include <hostkit/afx/time.h>

#include "platform/calendar.h"
#include "platform/win32.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// strftime into a CString. The framework formats into a fixed buffer of 128 characters; a
// longer result gets a bigger buffer here instead of coming back empty.
CString FormatBrokenDown(const char* format, const std::tm& tm) {
  if (format == nullptr || *format == '\0') return CString();
  std::vector<char> buffer(128);
  while (true) {
    const size_t length = hk::FormatTm(buffer.data(), buffer.size(), format, tm);
    if (length != 0) return CString(buffer.data(), static_cast<int>(length));
    // 0 is also the answer for a format whose result is empty or that the run time refuses;
    // give up once the buffer is far larger than any format could fill.
    if (buffer.size() >= 64 * 1024 || buffer.size() > 256 * std::strlen(format)) return CString();
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace

// --- CTimeSpan ------------------------------------------------------------------------------

CTimeSpan::CTimeSpan(LONG days, int hours, int minutes, int seconds)
    : m_span(seconds + 60 * (minutes + 60 * (hours + 24 * static_cast<int64_t>(days)))) {}

// --- CTime ----------------------------------------------------------------------------------

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
  std::tm tm{};
  tm.tm_sec = second;
  tm.tm_min = minute;
  tm.tm_hour = hour;
  tm.tm_mday = day;
  tm.tm_mon = month - 1;
  tm.tm_year = year - 1900;
  tm.tm_isdst = dst;
  // Fields out of range are carried over as mktime does; a date it cannot represent gives -1.
  m_time = static_cast<int64_t>(std::mktime(&tm));
}

CTime::CTime(const SYSTEMTIME& st, int dst) {
  if (st.wYear < 1900) {
    m_time = 0;
    return;
  }
  *this = CTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, dst);
}

// A file time is UTC; it is shifted by the zone offset now in force and its calendar fields
// are then read as local time, as the framework has always done.
CTime::CTime(const FILETIME& ft, int dst) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) {
    m_time = 0;
    return;
  }
  *this = CTime(st, dst);
}

CTime CTime::GetCurrentTime() { return CTime(static_cast<int64_t>(std::time(nullptr))); }

bool CTime::Local(std::tm& out) const { return hk::LocalTm(m_time, out); }

// The framework's getters have no error value; a time the run time cannot show as a local
// time answers -1 here rather than reading through a null pointer.
int CTime::GetYear() const {
  std::tm tm;
  return Local(tm) ? tm.tm_year + 1900 : -1;
}

int CTime::GetMonth() const {
  std::tm tm;
  return Local(tm) ? tm.tm_mon + 1 : -1;
}

int CTime::GetDay() const {
  std::tm tm;
  return Local(tm) ? tm.tm_mday : -1;
}

int CTime::GetHour() const {
  std::tm tm;
  return Local(tm) ? tm.tm_hour : -1;
}

int CTime::GetMinute() const {
  std::tm tm;
  return Local(tm) ? tm.tm_min : -1;
}

int CTime::GetSecond() const {
  std::tm tm;
  return Local(tm) ? tm.tm_sec : -1;
}

int CTime::GetDayOfWeek() const {
  std::tm tm;
  return Local(tm) ? tm.tm_wday + 1 : -1;
}

CString CTime::Format(const char* format) const {
  std::tm tm;
  if (!Local(tm)) return CString();
  return FormatBrokenDown(format, tm);
}

CString CTime::FormatGmt(const char* format) const {
  std::tm tm;
  if (!hk::UtcTm(m_time, tm)) return CString();
  return FormatBrokenDown(format, tm);
}

BOOL CTime::GetAsSystemTime(SYSTEMTIME& st) const {
  std::tm tm;
  if (!Local(tm)) return FALSE;
  st.wYear = static_cast<WORD>(tm.tm_year + 1900);
  st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  st.wDay = static_cast<WORD>(tm.tm_mday);
  st.wHour = static_cast<WORD>(tm.tm_hour);
  st.wMinute = static_cast<WORD>(tm.tm_min);
  st.wSecond = static_cast<WORD>(tm.tm_sec);
  st.wMilliseconds = 0;
  return TRUE;
}

// --- COleDateTime ---------------------------------------------------------------------------

namespace {

// The range of day numbers that have a calendar date: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.0;
constexpr double kHalfSecond = 1.0 / 172800.0;
// Days before each month of a common year.
constexpr int kMonthDays[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
// Days from 1 January of year 0 (proleptic, as the conversion counts) to 30 December 1899.
constexpr long kDaysTo1899 = 693959L;

struct DateFields {
  int year, month, day, hour, minute, second;
  int dayOfWeek;  // 1 = Sunday
  int dayOfYear;  // 1 = 1 January
};

bool IsLeapYear(int year) { return (year & 3) == 0 && (year % 100 != 0 || year % 400 == 0); }

// Calendar fields to a day number. The time of day is a fraction that, for days before
// 30 December 1899, is subtracted: -1.25 is 29 December 1899, 06:00.
bool DateFromFields(int year, int month, int day, int hour, int minute, int second, DATE& out) {
  if (year < 100 || year > 9999 || month < 1 || month > 12) return false;
  const bool leap = IsLeapYear(year);
  const int daysInMonth = kMonthDays[month] - kMonthDays[month - 1] + (leap && month == 2 ? 1 : 0);
  if (day < 1 || day > daysInMonth || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59)
    return false;
  long date = year * 365L + year / 4 - year / 100 + year / 400 + kMonthDays[month - 1] + day;
  if (month <= 2 && leap) --date;
  date -= kDaysTo1899;
  const double time = (hour * 3600L + minute * 60L + second) / 86400.0;
  out = static_cast<double>(date) + (date >= 0 ? time : -time);
  return true;
}

// Negative day numbers are not continuous (-1.25 comes after -1.5); this maps them onto one
// increasing scale, for comparisons and rounding.
double Linear(DATE value) {
  if (value >= 0) return value;
  const double whole = std::ceil(value);
  return whole - (value - whole);
}

// A day number to calendar fields, rounded to the nearest second. The framework rounds the
// raw number, which carries the last half second of a day before 30 December 1899 back to the
// start of the day before; rounding on the calendar's own scale carries it forward.
bool FieldsFromDate(DATE value, DateFields& out) {
  const double seconds = std::floor(Linear(value) * 86400.0 + 0.5);
  // 1 January 100 00:00:00 to 31 December 9999 23:59:59; NaN fails as well.
  if (!(seconds >= kMinDate * 86400.0 && seconds < (kMaxDate + 1.0) * 86400.0)) return false;
  const auto total = static_cast<int64_t>(seconds);
  int64_t dayNumber = total / 86400;
  int64_t secondsInDay = total % 86400;
  if (secondsInDay < 0) {
    secondsInDay += 86400;
    --dayNumber;
  }
  long days = static_cast<long>(dayNumber) + kDaysTo1899;

  out.dayOfWeek = static_cast<int>((days - 1) % 7L) + 1;  // day 0 (1 January of year 0) was a Saturday

  const long years400 = days / 146097L;
  days %= 146097L;
  const long century = (days - 1) / 36524L;  // the first century of 400 has one day more
  long years4;
  long day4;
  bool leap4 = true;  // whether this block of four years holds a leap year
  if (century != 0) {
    days = (days - 1) % 36524L;
    years4 = (days + 1) / 1461L;
    if (years4 != 0) {
      day4 = (days + 1) % 1461L;
    } else {
      leap4 = false;
      day4 = days;
    }
  } else {
    years4 = days / 1461L;
    day4 = days % 1461L;
  }
  long year4;
  if (leap4) {
    year4 = (day4 - 1) / 365;  // the first year of the block has 366 days
    if (year4 != 0) day4 = (day4 - 1) % 365;
  } else {
    year4 = day4 / 365;
    day4 %= 365;
  }
  out.dayOfYear = static_cast<int>(day4) + 1;
  out.year = static_cast<int>(years400 * 400 + century * 100 + years4 * 4 + year4);

  bool feb29 = false;
  if (year4 == 0 && leap4) {
    if (day4 == 59) {
      out.month = 2;
      out.day = 29;
      feb29 = true;
    } else if (day4 >= 60) {
      --day4;  // on as in a common year
    }
  }
  if (!feb29) {
    ++day4;
    int month = static_cast<int>(day4 >> 5) + 1;
    while (day4 > kMonthDays[month]) ++month;
    out.month = month;
    out.day = static_cast<int>(day4 - kMonthDays[month - 1]);
  }
  out.second = static_cast<int>(secondsInDay % 60L);
  out.minute = static_cast<int>(secondsInDay / 60L % 60L);
  out.hour = static_cast<int>(secondsInDay / 3600L);
  return true;
}

bool FieldsOf(const COleDateTime& value, DateFields& out) {
  return value.GetStatus() == COleDateTime::valid && FieldsFromDate(value.m_dt, out);
}

constexpr int kError = -1;  // what the getters answer for a value without a date

}  // namespace

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const SYSTEMTIME& st) { *this = st; }

COleDateTime::COleDateTime(int64_t timeT) {
  std::tm tm;
  if (!hk::LocalTm(timeT, tm)) {
    m_status = invalid;
    return;
  }
  SetDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

COleDateTime::COleDateTime(const CTime& time) : COleDateTime(time.GetTime()) {}

COleDateTime COleDateTime::GetCurrentTime() { return COleDateTime(static_cast<int64_t>(std::time(nullptr))); }

COleDateTime& COleDateTime::operator=(const SYSTEMTIME& st) {
  // Milliseconds are dropped: values read from the system hold whole seconds.
  SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
  return *this;
}

COleDateTime& COleDateTime::operator=(DATE value) {
  m_dt = value;
  m_status = valid;
  return *this;
}

COleDateTime& COleDateTime::operator=(const CTime& time) {
  *this = COleDateTime(time);
  return *this;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  m_status = DateFromFields(year, month, day, hour, minute, second, m_dt) ? valid : invalid;
  return m_status;
}


int COleDateTime::GetYear() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.year : kError;
}

int COleDateTime::GetMonth() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.month : kError;
}

int COleDateTime::GetDay() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.day : kError;
}

int COleDateTime::GetHour() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.hour : kError;
}

int COleDateTime::GetMinute() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.minute : kError;
}

int COleDateTime::GetSecond() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.second : kError;
}

int COleDateTime::GetDayOfWeek() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.dayOfWeek : kError;
}

int COleDateTime::GetDayOfYear() const {
  DateFields f;
  return FieldsOf(*this, f) ? f.dayOfYear : kError;
}

BOOL COleDateTime::GetAsSystemTime(SYSTEMTIME& st) const {
  DateFields f;
  if (!FieldsOf(*this, f)) return FALSE;
  st.wYear = static_cast<WORD>(f.year);
  st.wMonth = static_cast<WORD>(f.month);
  st.wDayOfWeek = static_cast<WORD>(f.dayOfWeek - 1);
  st.wDay = static_cast<WORD>(f.day);
  st.wHour = static_cast<WORD>(f.hour);
  st.wMinute = static_cast<WORD>(f.minute);
  st.wSecond = static_cast<WORD>(f.second);
  st.wMilliseconds = 0;
  return TRUE;
}

CString COleDateTime::Format(const char* format) const {
  if (m_status == null) return CString();
  DateFields f;
  if (!FieldsOf(*this, f)) return CString("Invalid DateTime");
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  tm.tm_wday = f.dayOfWeek - 1;
  tm.tm_yday = f.dayOfYear - 1;
  tm.tm_isdst = -1;
  return FormatBrokenDown(format, tm);
}

bool COleDateTime::operator<(const COleDateTime& o) const { return Linear(m_dt) < Linear(o.m_dt); }
bool COleDateTime::operator>(const COleDateTime& o) const { return Linear(m_dt) > Linear(o.m_dt); }
bool COleDateTime::operator<=(const COleDateTime& o) const { return Linear(m_dt) <= Linear(o.m_dt); }
bool COleDateTime::operator>=(const COleDateTime& o) const { return Linear(m_dt) >= Linear(o.m_dt); }

// CTime (seconds since 1970, read and written as local time) and COleDateTime (days since
// 30 December 1899 as a double, with a validity status).
#pragma once

#include <hostkit/afx/string.h>

#include <cstdint>
#include <ctime>

class HOSTKIT_API CTimeSpan {
 public:
  CTimeSpan() = default;
  explicit CTimeSpan(int64_t seconds) : m_span(seconds) {}
  CTimeSpan(LONG days, int hours, int minutes, int seconds);
  int64_t GetTotalSeconds() const { return m_span; }

 private:
  int64_t m_span = 0;
};

class HOSTKIT_API CTime {
 public:
  CTime() = default;
  CTime(int64_t time) : m_time(time) {}
  // A local date and time; dst -1 lets the C run time decide whether daylight saving applies.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);
  CTime(const SYSTEMTIME& st, int dst = -1);
  CTime(const FILETIME& ft, int dst = -1);

  static CTime GetCurrentTime();

  int64_t GetTime() const { return m_time; }
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  // strftime of the local time.
  CString Format(const char* format) const;
  CString FormatGmt(const char* format) const;
  BOOL GetAsSystemTime(SYSTEMTIME& st) const;  // local time

  CTimeSpan operator-(CTime other) const { return CTimeSpan(m_time - other.m_time); }
  CTime operator+(CTimeSpan span) const { return CTime(m_time + span.GetTotalSeconds()); }
  bool operator==(CTime other) const { return m_time == other.m_time; }
  bool operator!=(CTime other) const { return m_time != other.m_time; }
  bool operator<(CTime other) const { return m_time < other.m_time; }
  bool operator>(CTime other) const { return m_time > other.m_time; }
  bool operator<=(CTime other) const { return m_time <= other.m_time; }
  bool operator>=(CTime other) const { return m_time >= other.m_time; }

 private:
  bool Local(std::tm& out) const;
  int64_t m_time = 0;
};

typedef double DATE;

class HOSTKIT_API COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTime() = default;
  COleDateTime(DATE value) : m_dt(value) {}
  COleDateTime(int year, int month, int day, int hour, int minute, int second);
  COleDateTime(const SYSTEMTIME& st);
  COleDateTime(int64_t timeT);  // from seconds since 1970, as local time
  COleDateTime(const CTime& time);

  static COleDateTime GetCurrentTime();  // local time, whole seconds

  COleDateTime& operator=(const SYSTEMTIME& st);
  COleDateTime& operator=(DATE value);
  COleDateTime& operator=(const CTime& time);

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }
  // Sets the value; an impossible date (or a year outside 100 to 9999) makes it invalid.
  // Returns the new status: 0 (valid) on success, 1 (invalid) otherwise.
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

  operator DATE() const { return m_dt; }
  // Each getter gives -1 (AFX_OLE_DATETIME_ERROR) for a value that is not valid or has no
  // calendar date (outside the years 100 to 9999). Fields are rounded to the nearest second.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  int GetDayOfYear() const;
  BOOL GetAsSystemTime(SYSTEMTIME& st) const;
  // strftime codes; empty for a null value, "Invalid DateTime" for one that is not valid.
  CString Format(const char* format) const;

  // Equal when status and value are; the order is the calendar's, also for values before
  // 30 December 1899, whose day numbers run backwards while their fractions run forwards.
  bool operator==(const COleDateTime& o) const { return m_status == o.m_status && m_dt == o.m_dt; }
  bool operator!=(const COleDateTime& o) const { return !(*this == o); }
  bool operator<(const COleDateTime& o) const;
  bool operator>(const COleDateTime& o) const;
  bool operator<=(const COleDateTime& o) const;
  bool operator>=(const COleDateTime& o) const;

  DATE m_dt = 0.0;
  DateTimeStatus m_status = valid;
};

// CTime, COleDateTime and the clock functions beneath them.
#include "tests/support/zone.h"
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <array>
#include <string>

namespace {


FILETIME FileTimeOf(int64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value));
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
  return ft;
}

SYSTEMTIME MakeSystemTime(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
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

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kUnixEpochUnits = 116444736000000000LL;

}  // namespace

TEST(OleDateTime, KnownDayNumbers) {
  EXPECT_EQ(static_cast<DATE>(COleDateTime(1899, 12, 30, 0, 0, 0)), 0.0);
  EXPECT_EQ(static_cast<DATE>(COleDateTime(1900, 1, 1, 0, 0, 0)), 2.0);
  EXPECT_EQ(static_cast<DATE>(COleDateTime(1970, 1, 1, 0, 0, 0)), 25569.0);
  EXPECT_EQ(static_cast<DATE>(COleDateTime(2000, 1, 1, 0, 0, 0)), 36526.0);
  EXPECT_DOUBLE_EQ(static_cast<DATE>(COleDateTime(2000, 1, 1, 18, 0, 0)), 36526.75);
  EXPECT_EQ(static_cast<DATE>(COleDateTime(100, 1, 1, 0, 0, 0)), -657434.0);
  EXPECT_EQ(static_cast<DATE>(COleDateTime(9999, 12, 31, 0, 0, 0)), 2958465.0);
  // Before 30 December 1899 the fraction is subtracted from the day.
  EXPECT_DOUBLE_EQ(static_cast<DATE>(COleDateTime(1899, 12, 29, 6, 0, 0)), -1.25);
}

TEST(OleDateTime, FieldsOfKnownDates) {
  const COleDateTime t(2024, 2, 29, 13, 45, 7);
  ASSERT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(t.GetYear(), 2024);
  EXPECT_EQ(t.GetMonth(), 2);
  EXPECT_EQ(t.GetDay(), 29);
  EXPECT_EQ(t.GetHour(), 13);
  EXPECT_EQ(t.GetMinute(), 45);
  EXPECT_EQ(t.GetSecond(), 7);
  EXPECT_EQ(t.GetDayOfWeek(), 5);  // Thursday
  EXPECT_EQ(t.GetDayOfYear(), 60);
  EXPECT_EQ(COleDateTime(2000, 1, 1, 0, 0, 0).GetDayOfWeek(), 7);     // Saturday
  EXPECT_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).GetDayOfWeek(), 7);   // Saturday
  EXPECT_EQ(COleDateTime(1899, 12, 24, 0, 0, 0).GetDayOfWeek(), 1);   // Sunday
  EXPECT_EQ(COleDateTime(1600, 3, 1, 0, 0, 0).GetDayOfWeek(), 4);     // Wednesday
  EXPECT_EQ(COleDateTime(2024, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
  EXPECT_EQ(COleDateTime(2100, 3, 1, 0, 0, 0).GetDayOfYear(), 60);
  EXPECT_EQ(COleDateTime(100, 1, 1, 0, 0, 0).GetYear(), 100);
  const COleDateTime last(9999, 12, 31, 23, 59, 59);
  EXPECT_EQ(last.GetYear(), 9999);
  EXPECT_EQ(last.GetSecond(), 59);
}

TEST(OleDateTime, EveryDayRoundTripsThroughItsDayNumber) {
  // Whole centuries, leap days and the 400-year cycle all pass through the same arithmetic.
  double previous = -1e9;
  int days = 0;
  for (int year : {100, 101, 400, 1599, 1600, 1700, 1899, 1900, 1904, 2000, 2023, 2024, 9999}) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 31; ++day) {
        COleDateTime t(year, month, day, 23, 59, 59);
        if (t.GetStatus() != COleDateTime::valid) continue;
        ++days;
        ASSERT_EQ(t.GetYear(), year);
        ASSERT_EQ(t.GetMonth(), month);
        ASSERT_EQ(t.GetDay(), day) << year << "-" << month;
        ASSERT_EQ(t.GetHour(), 23);
        ASSERT_EQ(t.GetSecond(), 59);
        const double whole = std::floor(std::fabs(static_cast<DATE>(t)));
        ASSERT_GT(whole * (static_cast<DATE>(t) < 0 ? -1 : 1), previous) << year << "-" << month << "-" << day;
        previous = whole * (static_cast<DATE>(t) < 0 ? -1 : 1);
      }
    }
  }
  EXPECT_EQ(days, 13 * 365 + 5);  // 400, 1600, 1904, 2000, 2024 are leap years
}

TEST(OleDateTime, ImpossibleDatesAreInvalid) {
  for (auto fields : std::initializer_list<std::array<int, 6>>{{2023, 2, 29, 0, 0, 0},
                                                              {1900, 2, 29, 0, 0, 0},
                                                              {2024, 4, 31, 0, 0, 0},
                                                              {2024, 13, 1, 0, 0, 0},
                                                              {2024, 0, 1, 0, 0, 0},
                                                              {2024, 1, 0, 0, 0, 0},
                                                              {2024, 1, 1, 24, 0, 0},
                                                              {2024, 1, 1, 0, 60, 0},
                                                              {2024, 1, 1, 0, 0, 60},
                                                              {2024, 1, 1, -1, 0, 0},
                                                              {99, 12, 31, 0, 0, 0},
                                                              {10000, 1, 1, 0, 0, 0},
                                                              {-2024, 1, 1, 0, 0, 0}}) {
    COleDateTime t(2000, 1, 1, 0, 0, 0);
    EXPECT_EQ(t.SetDateTime(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]),
              COleDateTime::invalid)
        << fields[0] << "-" << fields[1] << "-" << fields[2] << " " << fields[3] << ":" << fields[4];
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(t.GetYear(), -1);
    EXPECT_EQ(t.GetMonth(), -1);
    EXPECT_EQ(t.GetDay(), -1);
    EXPECT_EQ(t.GetHour(), -1);
    EXPECT_EQ(t.GetMinute(), -1);
    EXPECT_EQ(t.GetSecond(), -1);
    EXPECT_EQ(t.GetDayOfWeek(), -1);
    EXPECT_EQ(t.GetDayOfYear(), -1);
    SYSTEMTIME st{};
    EXPECT_FALSE(t.GetAsSystemTime(st));
    EXPECT_EQ(t.Format("%Y"), "Invalid DateTime");
  }
  EXPECT_EQ(COleDateTime(2000, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::valid);

  // A valid status over a day number without a calendar date still answers -1.
  COleDateTime beyond(3e6);
  EXPECT_EQ(beyond.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(beyond.GetYear(), -1);
  COleDateTime notANumber(std::nan(""));
  EXPECT_EQ(notANumber.GetDay(), -1);

  COleDateTime none;
  none.SetStatus(COleDateTime::null);
  EXPECT_EQ(none.GetYear(), -1);
  EXPECT_EQ(none.Format("%Y"), "");
}

TEST(OleDateTime, NegativeValuesCountTheFractionForward) {
  const COleDateTime morning(-1.25);
  EXPECT_EQ(morning.GetYear(), 1899);
  EXPECT_EQ(morning.GetMonth(), 12);
  EXPECT_EQ(morning.GetDay(), 29);
  EXPECT_EQ(morning.GetHour(), 6);
  EXPECT_EQ(morning.GetDayOfWeek(), 6);  // Friday
  const COleDateTime noon(-1.5);
  EXPECT_EQ(noon.GetDay(), 29);
  EXPECT_EQ(noon.GetHour(), 12);
  // -0.5 and 0.5 are both noon of 30 December 1899.
  EXPECT_EQ(COleDateTime(-0.5).GetDay(), 30);
  EXPECT_EQ(COleDateTime(-0.5).GetHour(), 12);
  EXPECT_EQ(COleDateTime(-2.0).GetDay(), 28);
  EXPECT_EQ(COleDateTime(-2.0).GetHour(), 0);
  // Order follows the calendar, not the raw number.
  EXPECT_LT(COleDateTime(-1.25), COleDateTime(-1.5));
  EXPECT_LT(COleDateTime(-2.0), COleDateTime(-1.75));
  EXPECT_LT(COleDateTime(-1.75), COleDateTime(0.0));
  EXPECT_GT(COleDateTime(1.0), COleDateTime(0.5));
  EXPECT_LE(COleDateTime(-1.5), COleDateTime(-1.5));
  EXPECT_GE(COleDateTime(-1.5), COleDateTime(-1.25));
}

TEST(OleDateTime, RoundsToTheNearestSecond) {
  const double second = 1.0 / 86400.0;
  const DATE base = 36526.0 + 12 * 3600 * second;  // 1 January 2000, 12:00:00
  EXPECT_EQ(COleDateTime(base + 0.4 * second).GetSecond(), 0);
  EXPECT_EQ(COleDateTime(base + 0.6 * second).GetSecond(), 1);
  EXPECT_EQ(COleDateTime(base - 0.4 * second).GetSecond(), 0);
  EXPECT_EQ(COleDateTime(base - 0.4 * second).GetHour(), 12);
  // Seconds stored as fractions that fall a hair short still read as the whole second.
  for (int s = 0; s < 86400; s += 7) {
    const COleDateTime t(36526.0 + s / 86400.0);
    ASSERT_EQ(t.GetHour() * 3600 + t.GetMinute() * 60 + t.GetSecond(), s);
  }
  // The last half second of a day rounds into the next day.
  const COleDateTime late(36527.0 - 0.3 * second);
  EXPECT_EQ(late.GetDay(), 2);
  EXPECT_EQ(late.GetHour(), 0);
  const COleDateTime lateBefore(-1.0 - (1.0 - 0.3 * second));  // 29 Dec 1899, 23:59:59.7
  EXPECT_EQ(lateBefore.GetDay(), 30);
  EXPECT_EQ(lateBefore.GetHour(), 0);
}

TEST(OleDateTime, SystemTimeRoundTripDropsMilliseconds) {
  COleDateTime t;
  t = MakeSystemTime(2021, 7, 4, 9, 8, 7, 999);
  ASSERT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(t, COleDateTime(2021, 7, 4, 9, 8, 7));
  SYSTEMTIME back{};
  ASSERT_TRUE(t.GetAsSystemTime(back));
  EXPECT_EQ(back.wYear, 2021);
  EXPECT_EQ(back.wMonth, 7);
  EXPECT_EQ(back.wDay, 4);
  EXPECT_EQ(back.wDayOfWeek, 0);  // Sunday
  EXPECT_EQ(back.wHour, 9);
  EXPECT_EQ(back.wMinute, 8);
  EXPECT_EQ(back.wSecond, 7);
  EXPECT_EQ(back.wMilliseconds, 0);
  ASSERT_TRUE(COleDateTime(2022, 1, 1, 0, 0, 0).GetAsSystemTime(back));
  EXPECT_EQ(back.wDayOfWeek, 6);  // Saturday

  // Assigning an impossible record makes the value invalid; assigning a number revalidates.
  t = MakeSystemTime(2021, 2, 30, 0, 0, 0);
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
  t = 1.5;
  EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(COleDateTime(MakeSystemTime(1, 1, 1, 0, 0, 0)).GetStatus(), COleDateTime::invalid);
}

TEST(OleDateTime, FormatUsesStrftimeCodes) {
  const COleDateTime t(2024, 2, 29, 13, 5, 7);
  EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2024-02-29 13:05:07");
  EXPECT_EQ(t.Format("%A %B %j"), "Thursday February 060");
  EXPECT_EQ(t.Format("%y/%I %p"), "24/01 PM");
  EXPECT_EQ(t.Format(""), "");
  // A result beyond the framework's 128-character buffer is not lost.
  const std::string longFormat(100, 'x');
  EXPECT_EQ(t.Format((longFormat + "%Y" + longFormat).c_str()).str(), longFormat + "2024" + longFormat);
}

TEST(OleDateTime, FromTimeAndCTimeAgreeWithLocalTime) {
  const CTime when(2015, 6, 15, 10, 20, 30);
  ASSERT_NE(when.GetTime(), -1);
  const COleDateTime fromCTime(when);
  EXPECT_EQ(fromCTime, COleDateTime(2015, 6, 15, 10, 20, 30));
  COleDateTime assigned;
  assigned = when;
  EXPECT_EQ(assigned, fromCTime);
  EXPECT_EQ(COleDateTime(when.GetTime()), fromCTime);

  const COleDateTime now = COleDateTime::GetCurrentTime();
  const CTime ctNow = CTime::GetCurrentTime();
  ASSERT_EQ(now.GetStatus(), COleDateTime::valid);
  // Whole seconds, and within a few seconds of the CTime clock read as local time.
  const double seconds = static_cast<DATE>(now) * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
  const double apart = (static_cast<DATE>(COleDateTime(ctNow)) - static_cast<DATE>(now)) * 86400.0;
  EXPECT_LT(std::fabs(apart), 5.0);
}

TEST(Time, LocalFieldsRoundTrip) {
  const CTime t(2019, 3, 9, 22, 15, 1);
  ASSERT_NE(t.GetTime(), -1);
  EXPECT_EQ(t.GetYear(), 2019);
  EXPECT_EQ(t.GetMonth(), 3);
  EXPECT_EQ(t.GetDay(), 9);
  EXPECT_EQ(t.GetHour(), 22);
  EXPECT_EQ(t.GetMinute(), 15);
  EXPECT_EQ(t.GetSecond(), 1);
  EXPECT_EQ(t.GetDayOfWeek(), 7);  // Saturday
  EXPECT_EQ(t.Format("%Y/%m/%d %H:%M"), "2019/03/09 22:15");
  SYSTEMTIME st{};
  ASSERT_TRUE(t.GetAsSystemTime(st));
  EXPECT_EQ(st.wDayOfWeek, 6);
  EXPECT_EQ(st.wMilliseconds, 0);
  EXPECT_EQ(CTime(st), t);
  // Out-of-range fields carry over, as the C run time's mktime does.
  EXPECT_EQ(CTime(2019, 13, 1, 0, 0, 0), CTime(2020, 1, 1, 0, 0, 0));
  // Records before 1900 give the zero time.
  EXPECT_EQ(CTime(MakeSystemTime(1850, 1, 1, 0, 0, 0)).GetTime(), 0);

  EXPECT_EQ(CTimeSpan(1, 2, 3, 4).GetTotalSeconds(), 93784);
  EXPECT_EQ((t + CTimeSpan(0, 1, 0, 0)).GetHour(), 23);
  EXPECT_EQ((CTime(2019, 3, 10, 12, 0, 0) - CTime(2019, 3, 10, 11, 0, 0)).GetTotalSeconds(), 3600);
  EXPECT_EQ(CTime(0).FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-01 00:00:00");
  EXPECT_EQ(CTime(951782400).FormatGmt("%d %b %Y"), "29 Feb 2000");
}

TEST(Time, FileTimeConstructorShiftsByTheCurrentOffset) {
  // 2 January 2000 and 2 July 2000, 12:00 UTC: both shifted by the same offset (the one in
  // force now), then read as local time.
  for (int64_t unix : {946814400LL, 962539200LL}) {
    const FILETIME ft = FileTimeOf(kUnixEpochUnits + unix * kUnitsPerSecond);
    FILETIME local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &local));
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    const CTime t(ft);
    EXPECT_EQ(t.GetYear(), st.wYear);
    EXPECT_EQ(t.GetMonth(), st.wMonth);
    EXPECT_EQ(t.GetDay(), st.wDay);
    EXPECT_EQ(t.GetHour(), st.wHour);
    EXPECT_EQ(t.GetMinute(), st.wMinute);
  }
}

TEST(Time, FixedZoneGivesKnownValues) {
#if defined(_WIN32)
  GTEST_SKIP() << "the Windows clock functions follow the system's zone, not TZ";
#else
  hk::test::ScopedZone zone("XST-3");
  EXPECT_EQ(CTime(2000, 1, 1, 3, 0, 0).GetTime(), 946684800);
  EXPECT_EQ(CTime(946684800).GetHour(), 3);
  EXPECT_EQ(CTime(946684800).FormatGmt("%H"), "00");
  const FILETIME ft = FileTimeOf(kUnixEpochUnits + 946684800LL * kUnitsPerSecond);
  EXPECT_EQ(CTime(ft).GetTime(), 946684800);
  EXPECT_EQ(COleDateTime(static_cast<int64_t>(946684800)), COleDateTime(2000, 1, 1, 3, 0, 0));
  EXPECT_EQ(COleDateTime(static_cast<int64_t>(-86400)), COleDateTime(1969, 12, 31, 3, 0, 0));
#endif
}

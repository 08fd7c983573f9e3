// CTime, COleDateTime and the clock functions beneath them.
#include "tests/support/fixtures.h"
#include "tests/support/times.h"
#include "tests/support/zone.h"

#include "platform/win32.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

using hk::test::Fields;
using hk::test::FieldsOf;
using hk::test::SystemTimeOf;

TEST(OleDateTime, KnownDatesTheirDayNumbersAndFields) {
  // Day numbers count from 30 December 1899; before it the fraction is subtracted from the day.
  struct Row {
    Fields fields;  // year .. second, day of the week (1 = Sunday)
    DATE value;
    int dayOfYear;
  } rows[] = {
      {{1899, 12, 30, 0, 0, 0, 7}, 0.0, 364},      {{1900, 1, 1, 0, 0, 0, 2}, 2.0, 1},
      {{1970, 1, 1, 0, 0, 0, 5}, 25569.0, 1},      {{2000, 1, 1, 18, 0, 0, 7}, 36526.75, 1},
      {{100, 1, 1, 0, 0, 0, 6}, -657434.0, 1},     {{9999, 12, 31, 23, 59, 59, 6}, 2958465.0 + 86399 / 86400.0, 365},
      {{1899, 12, 29, 6, 0, 0, 6}, -1.25, 363},    {{2024, 2, 29, 13, 45, 7, 5}, 45351 + 49507 / 86400.0, 60},
      {{2024, 12, 31, 0, 0, 0, 3}, 45657.0, 366},  {{2100, 3, 1, 0, 0, 0, 2}, 73110.0, 60},
      {{1899, 12, 24, 0, 0, 0, 1}, -6.0, 358},     {{1600, 3, 1, 0, 0, 0, 4}, -109511.0, 61},
  };
  for (const Row& row : rows) {
    const auto& f = row.fields;
    const COleDateTime t(f[0], f[1], f[2], f[3], f[4], f[5]);
    ASSERT_EQ(t.GetStatus(), COleDateTime::valid) << f[0];
    EXPECT_NEAR(static_cast<DATE>(t), row.value, 1e-9) << f[0] << "-" << f[1] << "-" << f[2];
    EXPECT_EQ(FieldsOf(t), f);
    EXPECT_EQ(FieldsOf(COleDateTime(row.value)), f);
    EXPECT_EQ(t.GetDayOfYear(), row.dayOfYear) << f[0];
  }
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
        const Fields f = FieldsOf(t);
        ASSERT_EQ(Fields({year, month, day, 23, 59, 59, f[6]}), f);
        const double whole = std::floor(std::fabs(static_cast<DATE>(t))) * (static_cast<DATE>(t) < 0 ? -1 : 1);
        ASSERT_GT(whole, previous) << year << "-" << month << "-" << day;
        previous = whole;
      }
    }
  }
  EXPECT_EQ(days, 13 * 365 + 5);  // 400, 1600, 1904, 2000, 2024 are leap years
}

TEST(OleDateTime, ImpossibleDatesAreInvalid) {
  const Fields invalid = {-1, -1, -1, -1, -1, -1, -1};
  for (Fields f : std::initializer_list<Fields>{{2023, 2, 29}, {1900, 2, 29}, {2024, 4, 31}, {2024, 13, 1},
                                                {2024, 0, 1}, {2024, 1, 0}, {2024, 1, 1, 24}, {2024, 1, 1, 0, 60},
                                                {2024, 1, 1, 0, 0, 60}, {2024, 1, 1, -1}, {99, 12, 31},
                                                {10000, 1, 1}, {-2024, 1, 1}}) {
    COleDateTime t(2000, 1, 1, 0, 0, 0);
    EXPECT_EQ(t.SetDateTime(f[0], f[1], f[2], f[3], f[4], f[5]), COleDateTime::invalid)
        << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3] << ":" << f[4];
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(FieldsOf(t), invalid);
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
  EXPECT_EQ(COleDateTime(std::nan("")).GetDay(), -1);

  COleDateTime none;
  none.SetStatus(COleDateTime::null);
  EXPECT_EQ(none.GetYear(), -1);
  EXPECT_EQ(none.Format("%Y"), "");
}

TEST(OleDateTime, NegativeValuesCountTheFractionForward) {
  EXPECT_EQ(FieldsOf(COleDateTime(-1.5)), Fields({1899, 12, 29, 12, 0, 0, 6}));
  // -0.5 and 0.5 are both noon of 30 December 1899.
  EXPECT_EQ(FieldsOf(COleDateTime(-0.5)), FieldsOf(COleDateTime(0.5)));
  EXPECT_EQ(FieldsOf(COleDateTime(-2.0)), Fields({1899, 12, 28, 0, 0, 0, 5}));
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
  const DATE base = 36526.5;  // 1 January 2000, 12:00:00
  EXPECT_EQ(FieldsOf(COleDateTime(base + 0.4 * second)), Fields({2000, 1, 1, 12, 0, 0, 7}));
  EXPECT_EQ(COleDateTime(base + 0.6 * second).GetSecond(), 1);
  EXPECT_EQ(FieldsOf(COleDateTime(base - 0.4 * second)), Fields({2000, 1, 1, 12, 0, 0, 7}));
  // Seconds stored as fractions that fall a hair short still read as the whole second.
  for (int s = 0; s < 86400; s += 7) {
    const COleDateTime t(36526.0 + s / 86400.0);
    ASSERT_EQ(t.GetHour() * 3600 + t.GetMinute() * 60 + t.GetSecond(), s);
  }
  // The last half second of a day rounds into the next day, on both sides of day zero.
  EXPECT_EQ(FieldsOf(COleDateTime(36527.0 - 0.3 * second)), Fields({2000, 1, 2, 0, 0, 0, 1}));
  EXPECT_EQ(FieldsOf(COleDateTime(-2.0 + 0.3 * second)), Fields({1899, 12, 30, 0, 0, 0, 7}));
}

TEST(OleDateTime, SystemTimeRoundTripDropsMilliseconds) {
  COleDateTime t;
  t = SystemTimeOf(2021, 7, 4, 9, 8, 7, 999);
  ASSERT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(t, COleDateTime(2021, 7, 4, 9, 8, 7));
  SYSTEMTIME back{};
  ASSERT_TRUE(t.GetAsSystemTime(back));
  EXPECT_EQ(FieldsOf(back), hk::test::SystemFields({2021, 7, 4, 9, 8, 7, 0, 0}));  // a Sunday
  ASSERT_TRUE(COleDateTime(2022, 1, 1, 0, 0, 0).GetAsSystemTime(back));
  EXPECT_EQ(back.wDayOfWeek, 6);  // Saturday

  // Assigning an impossible record makes the value invalid; assigning a number revalidates.
  t = SystemTimeOf(2021, 2, 30);
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
  t = 1.5;
  EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(COleDateTime(SystemTimeOf(1, 1, 1)).GetStatus(), COleDateTime::invalid);
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
  EXPECT_EQ(FieldsOf(t), Fields({2019, 3, 9, 22, 15, 1, 7}));  // a Saturday
  EXPECT_EQ(t.Format("%Y/%m/%d %H:%M"), "2019/03/09 22:15");
  SYSTEMTIME st{};
  ASSERT_TRUE(t.GetAsSystemTime(st));
  EXPECT_EQ(FieldsOf(st), hk::test::SystemFields({2019, 3, 9, 22, 15, 1, 6, 0}));
  EXPECT_EQ(CTime(st), t);
  // Out-of-range fields carry over, as the C run time's mktime does.
  EXPECT_EQ(CTime(2019, 13, 1, 0, 0, 0), CTime(2020, 1, 1, 0, 0, 0));
  // Records before 1900 give the zero time.
  EXPECT_EQ(CTime(SystemTimeOf(1850, 1, 1)).GetTime(), 0);

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
    const FILETIME ft = hk::test::FromUnix(unix);
    FILETIME local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &local));
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    const Fields f = FieldsOf(CTime(ft));
    EXPECT_EQ(Fields({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wDayOfWeek + 1}), f);
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
  EXPECT_EQ(CTime(hk::test::FromUnix(946684800)).GetTime(), 946684800);
  EXPECT_EQ(COleDateTime(static_cast<int64_t>(946684800)), COleDateTime(2000, 1, 1, 3, 0, 0));
  EXPECT_EQ(COleDateTime(static_cast<int64_t>(-86400)), COleDateTime(1969, 12, 31, 3, 0, 0));
#endif
}

}  // namespace

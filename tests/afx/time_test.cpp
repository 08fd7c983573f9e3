// CTime, COleDateTime and the clock functions beneath them.
#include "tests/support/fixtures.h"
#include "tests/support/times.h"
#include "tests/support/zone.h"

#include "platform/win32.h"

#include <cmath>
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
    EXPECT_NEAR(static_cast<DATE>(t), row.value, 1e-9) << f[0] << "-" << f[1] << "-" << f[2];
    EXPECT_EQ(FieldsOf(t), f);
    EXPECT_EQ(FieldsOf(COleDateTime(row.value)), f);
    EXPECT_EQ(t.GetDayOfYear(), row.dayOfYear) << f[0];
  }
}

TEST(OleDateTime, ImpossibleDatesAreInvalid) {
  const Fields invalid = {-1, -1, -1, -1, -1, -1, -1};
  for (Fields f : std::initializer_list<Fields>{{2023, 2, 29}, {1900, 2, 29}, {2024, 4, 31}, {2024, 13, 1},
                                                {2024, 0, 1}, {2024, 1, 0}, {2024, 1, 1, 24}, {2024, 1, 1, 0, 60},
                                                {2024, 1, 1, 0, 0, 60}, {99, 12, 31}, {10000, 1, 1}}) {
    COleDateTime t(2000, 1, 1, 0, 0, 0);
    EXPECT_EQ(t.SetDateTime(f[0], f[1], f[2], f[3], f[4], f[5]), COleDateTime::invalid) << f[0] << "-" << f[1];
    EXPECT_EQ(FieldsOf(t), invalid);
    SYSTEMTIME st{};
    EXPECT_FALSE(t.GetAsSystemTime(st));
    EXPECT_EQ(t.Format("%Y"), "Invalid DateTime");
  }
  // A valid status over a day number without a calendar date still answers -1.
  EXPECT_EQ(COleDateTime(3e6).GetYear(), -1);
  EXPECT_EQ(COleDateTime(std::nan("")).GetDay(), -1);
  COleDateTime none;
  none.SetStatus(COleDateTime::null);
  EXPECT_EQ(none.Format("%Y"), "");
}

TEST(OleDateTime, RoundsToTheNearestSecond) {
  const double second = 1.0 / 86400.0;
  // Seconds stored as fractions that fall a hair short still read as the whole second.
  for (int s = 0; s < 86400; s += 7) {
    const COleDateTime t(36526.0 + s / 86400.0);
    ASSERT_EQ(t.GetHour() * 3600 + t.GetMinute() * 60 + t.GetSecond(), s);
  }
  // The last half second of a day rounds into the next day, on both sides of day zero.
  EXPECT_EQ(FieldsOf(COleDateTime(36527.0 - 0.3 * second)), Fields({2000, 1, 2, 0, 0, 0, 1}));
  EXPECT_EQ(FieldsOf(COleDateTime(-2.0 + 0.3 * second)), Fields({1899, 12, 30, 0, 0, 0, 7}));
  // Before day zero the fraction counts forward: order follows the calendar, not the number.
  EXPECT_LT(COleDateTime(-1.25), COleDateTime(-1.5));
  EXPECT_GT(COleDateTime(-1.25), COleDateTime(-2.0));
}

TEST(OleDateTime, FormatUsesStrftimeCodes) {
  const COleDateTime t(2024, 2, 29, 13, 5, 7);
  EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S %A %j"), "2024-02-29 13:05:07 Thursday 060");
  // A result beyond the framework's 128-character buffer is not lost.
  const std::string longFormat(100, 'x');
  EXPECT_EQ(t.Format((longFormat + "%Y" + longFormat).c_str()).str(), longFormat + "2024" + longFormat);
}

TEST(Time, ConversionsBetweenTheTypes) {
  const CTime t(2019, 3, 9, 22, 15, 1);
  EXPECT_EQ(FieldsOf(t), Fields({2019, 3, 9, 22, 15, 1, 7}));  // a Saturday
  SYSTEMTIME st{};
  ASSERT_TRUE(t.GetAsSystemTime(st));
  EXPECT_EQ(FieldsOf(st), hk::test::SystemFields({2019, 3, 9, 22, 15, 1, 6, 0}));  // a Saturday
  EXPECT_EQ(CTime(st), t);
  EXPECT_EQ(COleDateTime(t), COleDateTime(2019, 3, 9, 22, 15, 1));
  // A record's milliseconds are dropped; an impossible one makes the value invalid.
  COleDateTime ole;
  ole = SystemTimeOf(2021, 7, 4, 9, 8, 7, 999);
  EXPECT_EQ(ole, COleDateTime(2021, 7, 4, 9, 8, 7));
  ole = SystemTimeOf(2021, 2, 30);
  EXPECT_EQ(ole.GetStatus(), COleDateTime::invalid);
  // Out-of-range fields carry over, as the C run time's mktime does.
  EXPECT_EQ(CTime(2019, 13, 1, 0, 0, 0), CTime(2020, 1, 1, 0, 0, 0));
  // Records before 1900 give the zero time.
  EXPECT_EQ(CTime(SystemTimeOf(1850, 1, 1)).GetTime(), 0);
  EXPECT_EQ(CTime(951782400).FormatGmt("%d %b %Y %H:%M:%S"), "29 Feb 2000 00:00:00");
}

TEST(Time, FixedZoneGivesKnownValues) {
#if defined(_WIN32)
  GTEST_SKIP() << "the Windows clock functions follow the system's zone, not TZ";
#else
  hk::test::ScopedZone zone("XST-3");
  EXPECT_EQ(CTime(2000, 1, 1, 3, 0, 0).GetTime(), 946684800);
  EXPECT_EQ(CTime(946684800).GetHour(), 3);
  EXPECT_EQ(CTime(hk::test::FromUnix(946684800)).GetTime(), 946684800);
  EXPECT_EQ(COleDateTime(static_cast<int64_t>(946684800)), COleDateTime(2000, 1, 1, 3, 0, 0));
  EXPECT_EQ(COleDateTime(static_cast<int64_t>(-86400)), COleDateTime(1969, 12, 31, 3, 0, 0));
#endif
}

}  // namespace

// The clock and time conversion functions of the Win32 subset (the system's own on Windows).
#include "tests/support/fixtures.h"
#include "tests/support/times.h"
#include "tests/support/zone.h"

#include "platform/win32.h"

#include <ctime>
#include <string>

namespace {

using hk::test::FileTimeOf;
using hk::test::FromUnix;
using hk::test::kUnitsPerSecond;
using hk::test::kUnixEpochUnits;
using hk::test::SystemFields;
using hk::test::ValueOf;

SYSTEMTIME Fields(int y, int mo, int d, int h, int mi, int s, int ms) { return hk::test::SystemTimeOf(y, mo, d, h, mi, s, ms); }

}  // namespace

TEST(Clock, SystemTimeAndFileTimeConvertBothWays) {
  FILETIME ft{};
  SYSTEMTIME st = Fields(1601, 1, 1, 0, 0, 0, 0);
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  EXPECT_EQ(ValueOf(ft), 0);
  st = Fields(1970, 1, 1, 0, 0, 0, 0);
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  EXPECT_EQ(ValueOf(ft), kUnixEpochUnits);
  st = Fields(2000, 2, 29, 12, 34, 56, 789);
  st.wDayOfWeek = 9;  // ignored on the way in
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  EXPECT_EQ(ValueOf(ft), kUnixEpochUnits + 951827696LL * kUnitsPerSecond + 7890000);

  SYSTEMTIME back{};
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(hk::test::FieldsOf(back), SystemFields({2000, 2, 29, 12, 34, 56, 2, 789}));  // a Tuesday

  ft = FileTimeOf(0);
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(hk::test::FieldsOf(back), SystemFields({1601, 1, 1, 0, 0, 0, 1, 0}));  // a Monday
  ft = FileTimeOf(0x7FFFFFFFFFFFFFFFLL);
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(hk::test::FieldsOf(back), SystemFields({30828, 9, 14, 2, 48, 5, 4, 477}));

  // A walk across four centuries, a day and a few seconds at a time.
  for (int64_t value = 0; value < 146097LL * 86400 * kUnitsPerSecond; value += 86407LL * 3 * kUnitsPerSecond) {
    ft = FileTimeOf(value);
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    FILETIME again{};
    ASSERT_TRUE(SystemTimeToFileTime(&back, &again));
    ASSERT_EQ(ValueOf(again), value);
  }
}

TEST(Clock, OutOfRangeValuesAreRejected) {
  FILETIME ft{};
  const SYSTEMTIME bad[] = {Fields(1600, 12, 31, 0, 0, 0, 0), Fields(2001, 2, 30, 0, 0, 0, 0),
                            Fields(2000, 13, 1, 0, 0, 0, 0),  Fields(2000, 0, 1, 0, 0, 0, 0),
                            Fields(2000, 1, 0, 0, 0, 0, 0),   Fields(2000, 4, 31, 0, 0, 0, 0),
                            Fields(2000, 1, 1, 24, 0, 0, 0),  Fields(2000, 1, 1, 0, 60, 0, 0),
                            Fields(2000, 1, 1, 0, 0, 60, 0),  Fields(2000, 1, 1, 0, 0, 0, 1000)};
  for (const SYSTEMTIME& st : bad) {
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
#if !defined(_WIN32)
  // Windows refuses 29 February of a common year too; Wine lets it through.
  const SYSTEMTIME noLeapDay = Fields(2001, 2, 29, 0, 0, 0, 0);
  EXPECT_FALSE(SystemTimeToFileTime(&noLeapDay, &ft));
#endif
  SYSTEMTIME st{};
  for (uint64_t value : {0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL}) {
    ft = FileTimeOf(static_cast<int64_t>(value));
    SetLastError(0);
    EXPECT_FALSE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST(Clock, LocalFileTimeShiftsEveryDateByTheSameOffset) {
  // Whatever date is converted, the offset in force now applies: a winter and a summer date
  // move by the same amount, and the two directions undo each other.
  const FILETIME winter = FromUnix(946814400);  // 2 January 2000
  const FILETIME summer = FromUnix(962539200);  // 2 July 2000
  FILETIME localWinter{}, localSummer{}, back{};
  ASSERT_TRUE(FileTimeToLocalFileTime(&winter, &localWinter));
  ASSERT_TRUE(FileTimeToLocalFileTime(&summer, &localSummer));
  const int64_t shift = ValueOf(localWinter) - ValueOf(winter);
  EXPECT_EQ(ValueOf(localSummer) - ValueOf(summer), shift);
  EXPECT_EQ(shift % (60 * kUnitsPerSecond), 0);
  ASSERT_TRUE(LocalFileTimeToFileTime(&localSummer, &back));
  EXPECT_EQ(ValueOf(back), ValueOf(summer));
  ASSERT_TRUE(LocalFileTimeToFileTime(&localWinter, &back));
  EXPECT_EQ(ValueOf(back), ValueOf(winter));
}


TEST(Clock, LocalFileTimeUsesTheOffsetInForceNow) {
#if defined(_WIN32)
  GTEST_SKIP() << "the zone comes from the system settings, which a test cannot change";
#else
  // Daylight saving is in force now but was not half a year ago.
  hk::test::ScopedZone zone(hk::test::ZoneWithDaylightSavingNow());

  const int64_t halfYearAgo = static_cast<int64_t>(time(nullptr)) - 182 * 86400;
  const FILETIME utcTime = FromUnix(halfYearAgo);
  FILETIME local{}, back{};
  ASSERT_TRUE(FileTimeToLocalFileTime(&utcTime, &local));
  EXPECT_EQ(ValueOf(local) - ValueOf(utcTime), 2 * 3600 * kUnitsPerSecond);
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
  EXPECT_EQ(ValueOf(back), ValueOf(utcTime));

  // The C run time, by contrast, reads that date with the offset of its own season.
  const CTime fromFileTime(utcTime);
  EXPECT_EQ(fromFileTime.GetTime() - halfYearAgo, 3600);
#endif
}

TEST(Clock, CurrentTimeReadings) {
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  const time_t now = time(nullptr);
  FILETIME ft{};
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
  const int64_t seconds = (ValueOf(ft) - kUnixEpochUnits) / kUnitsPerSecond;
  EXPECT_LE(std::llabs(seconds - static_cast<int64_t>(now)), 5);
  EXPECT_LT(utc.wMilliseconds, 1000);

  // Local time is UTC moved by the current offset.
  FILETIME localFt{}, expected{};
  ASSERT_TRUE(SystemTimeToFileTime(&local, &localFt));
  ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &expected));
  EXPECT_LE(std::llabs(ValueOf(localFt) - ValueOf(expected)), 5 * kUnitsPerSecond);

  const DWORD first = GetTickCount();
  const DWORD second = GetTickCount();
  EXPECT_LE(static_cast<DWORD>(second - first), 1000u);
}

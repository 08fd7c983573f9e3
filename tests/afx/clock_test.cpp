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
  // Fields with the day of the week (0 = Sunday) a value reads as; it is ignored on the way in.
  const struct {
    int64_t value;
    SystemFields fields;
  } known[] = {{0, {1601, 1, 1, 0, 0, 0, 1, 0}},
               {kUnixEpochUnits + 951827696LL * kUnitsPerSecond + 7890000, {2000, 2, 29, 12, 34, 56, 2, 789}},
               {0x7FFFFFFFFFFFFFFFLL, {30828, 9, 14, 2, 48, 5, 4, 477}}};
  SYSTEMTIME back{};
  FILETIME ft{};
  for (const auto& row : known) {
    ft = FileTimeOf(row.value);
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(hk::test::FieldsOf(back), row.fields);
    if (back.wYear > 30827) continue;  // readable, but past the last year a record may give
    back.wDayOfWeek = 9;
    ASSERT_TRUE(SystemTimeToFileTime(&back, &ft));
    EXPECT_EQ(ValueOf(ft), row.value);
  }
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
}

TEST(Clock, LocalFileTimeUsesTheOffsetInForceNow) {
#if defined(_WIN32)
  GTEST_SKIP() << "the zone comes from the system settings, which a test cannot change";
#else
  // Daylight saving is in force now but was not half a year ago: the offset of now applies.
  hk::test::ScopedZone zone(hk::test::ZoneWithDaylightSavingNow());
  const int64_t halfYearAgo = static_cast<int64_t>(time(nullptr)) - 182 * 86400;
  const FILETIME utcTime = FromUnix(halfYearAgo);
  FILETIME local{}, back{};
  ASSERT_TRUE(FileTimeToLocalFileTime(&utcTime, &local));
  EXPECT_EQ(ValueOf(local) - ValueOf(utcTime), 2 * 3600 * kUnitsPerSecond);
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
  EXPECT_EQ(ValueOf(back), ValueOf(utcTime));
  // The C run time, by contrast, reads that date with the offset of its own season.
  EXPECT_EQ(CTime(utcTime).GetTime() - halfYearAgo, 3600);
#endif
}

// The UTC clock and the COleDateTime conversions.
#include "tests/support/fixtures.h"

#include "platform/faults.h"
#include "tests/support/times.h"
#include "tests/support/zone.h"

#include <cmath>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Day counts of today have a resolution of about 7e-12 days, so a step is exact only to that.
constexpr double kOneMillisecond = 1.157407407407e-8;

bool IsWholeSecond(double days) { return std::fabs(days * 86400.0 - std::round(days * 86400.0)) < 1e-4; }

TEST(UtcClock, IsUtcAndStrictlyIncreasingWithinASecond) {
  SYSTEMTIME st;
  GetSystemTime(&st);
  double last = CNuTime::GetCurrentUTCTime().m_dt;
  // Never behind the system's UTC clock (it may run ahead by the calls made before).
  EXPECT_GE(last, COleDateTime(st).m_dt - 2.0 / 86400);
  for (int i = 0; i < 1000; ++i) {
    COleDateTime now;
    GetCurrentUCTime(now);
    ASSERT_GT(now.m_dt, last);
    // Either one millisecond more, or a new whole second of the clock.
    if (!IsWholeSecond(now.m_dt)) {
      EXPECT_NEAR(now.m_dt - last, kOneMillisecond, 1e-11) << i;
    }
    last = now.m_dt;
  }
}

TEST(UtcClock, EightThreadsNeverShareAValue) {
  std::vector<std::vector<double>> seen(8);
  std::vector<std::thread> threads;
  for (auto& values : seen)
    threads.emplace_back([&values] {
      for (int i = 0; i < 10000; ++i) values.push_back(CNuTime::GetCurrentUTCTime().m_dt);
    });
  for (auto& thread : threads) thread.join();
  std::set<double> all;
  for (const auto& values : seen) all.insert(values.begin(), values.end());
  EXPECT_EQ(all.size(), 8u * 10000u);
}

TEST(UtcClock, FollowsTheClockForwardAndKeepsIncreasingWhenItStepsBack) {
  const double start = CNuTime::GetCurrentUTCTime().m_dt;
  // A clock a day ahead is past every value returned: it is returned exactly.
  hk::sys::SetClockShiftFault(86400);
  double last = CNuTime::GetCurrentUTCTime().m_dt;
  EXPECT_GT(last, start + 0.99);
  EXPECT_TRUE(IsWholeSecond(last));
  // Back to the true clock, then an hour behind it: one millisecond per call.
  for (int64_t shift : {0, 0, 0, -3600}) {
    hk::sys::SetClockShiftFault(shift);
    const double now = CNuTime::GetCurrentUTCTime().m_dt;
    EXPECT_NEAR(now - last, kOneMillisecond, 1e-11) << shift;
    last = now;
  }
  hk::sys::SetClockShiftFault(0);
}

// The zone's offset now as the system's two clocks show it, in minutes.
double OffsetNowInMinutes() {
  SYSTEMTIME utcNow, localNow;
  GetSystemTime(&utcNow);
  GetLocalTime(&localNow);
  return std::round((COleDateTime(localNow).m_dt - COleDateTime(utcNow).m_dt) * 1440.0);
}

TEST(TimeConversions, LocalAndUtcUseTheOffsetInEffectNow) {
  // The machine's zone (UTC where CI runs), and zones set here: one whose daylight saving is in
  // force now (UTC+2 now, UTC+1 the rest of the year) and two half an hour off the hour, east
  // and west, so that a conversion the wrong way, or by the converted date's own offset, shows.
  std::vector<std::pair<std::string, double>> zones{{"", OffsetNowInMinutes()}};
#if !defined(_WIN32)
  zones.insert(zones.end(), {{hk::test::ZoneWithDaylightSavingNow(), 120}, {"IST-5:30", 330}, {"NST+3:30", -210}});
#endif
  // Half a year from now, where the daylight-saving zone keeps standard time.
  const COleDateTime original(std::floor(COleDateTime::GetCurrentTime().m_dt) + 182.75);
  for (const auto& [tz, minutes] : zones) {
#if !defined(_WIN32)
    std::optional<hk::test::ScopedZone> scoped;
    if (!tz.empty()) scoped.emplace(tz);
#endif
    ASSERT_EQ(OffsetNowInMinutes(), minutes) << tz;
    COleDateTime t = original;
    LocalTimeToUTC(t);
    EXPECT_NEAR((original.m_dt - t.m_dt) * 1440.0, minutes, 1e-6) << tz;
    UTCToLocalTime(t);
    EXPECT_NEAR(t.m_dt, original.m_dt, 1e-9) << tz;
    // A CTime reads the value as local time.
    EXPECT_EQ(hk::test::FieldsOf(COleDateTimeToCTime(t)), hk::test::FieldsOf(original)) << tz;
  }

  // Nothing the system can convert: left as it was, and no CTime.
  COleDateTime invalid(1.5);
  invalid.SetStatus(COleDateTime::invalid);
  LocalTimeToUTC(invalid);
  UTCToLocalTime(invalid);
  EXPECT_EQ(invalid.m_dt, 1.5);
  EXPECT_EQ(invalid.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTimeToCTime(invalid).GetTime(), -1);
}

}  // namespace

// The UTC clock and the COleDateTime conversions.
#include "tests/support/fixtures.h"

#include "platform/faults.h"
#include "tests/support/times.h"
#include "tests/support/zone.h"

#include <cmath>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace {

// Day counts of today have a resolution of about 7e-12 days, so a step is exact only to that.
constexpr double kOneMillisecond = 1.157407407407e-8;

// Seconds since midnight of a day count, to detect whole-second values.
double SecondsOfDay(double days) { return (days - std::floor(days)) * 86400.0; }
bool IsWholeSecond(double days) {
  const double s = SecondsOfDay(days);
  return std::fabs(s - std::round(s)) < 1e-4;
}

struct ClockShift {
  explicit ClockShift(int64_t seconds) { hk::sys::SetClockShiftFault(seconds); }
  ~ClockShift() { hk::sys::SetClockShiftFault(0); }
};

TEST(UtcClock, IsUtcAndStrictlyIncreasingWithinASecond) {
  SYSTEMTIME st;
  GetSystemTime(&st);
  const double before = COleDateTime(st).m_dt;
  double last = CNuTime::GetCurrentUTCTime().m_dt;
  // Never behind the system's UTC clock (it may run ahead by the calls made before).
  EXPECT_GE(last, before - 2.0 / 86400);
  for (int i = 0; i < 1000; ++i) {
    COleDateTime now;
    GetCurrentUCTime(now);
    ASSERT_GT(now.m_dt, last);
    EXPECT_EQ(now.GetStatus(), COleDateTime::valid);
    // Either one millisecond more, or a new whole second of the clock.
    const double step = now.m_dt - last;
    if (!IsWholeSecond(now.m_dt)) {
      EXPECT_NEAR(step, kOneMillisecond, 1e-11) << i;
    }
    last = now.m_dt;
  }
}

TEST(UtcClock, EightThreadsNeverShareAValue) {
  constexpr int kThreads = 8;
  constexpr int kCalls = 10000;
  std::vector<std::vector<double>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      seen[t].reserve(kCalls);
      for (int i = 0; i < kCalls; ++i) seen[t].push_back(CNuTime::GetCurrentUTCTime().m_dt);
    });
  for (auto& thread : threads) thread.join();
  std::set<double> all;
  for (const auto& values : seen) {
    for (size_t i = 1; i < values.size(); ++i) ASSERT_GT(values[i], values[i - 1]);
    all.insert(values.begin(), values.end());
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kCalls));
}

TEST(UtcClock, FollowsTheClockForwardAndKeepsIncreasingWhenItStepsBack) {
  const double start = CNuTime::GetCurrentUTCTime().m_dt;
  double ahead;
  {
    // A clock a day ahead is past every value returned: it is returned exactly.
    ClockShift forward(86400);
    ahead = CNuTime::GetCurrentUTCTime().m_dt;
    EXPECT_GT(ahead, start + 0.99);
    EXPECT_TRUE(IsWholeSecond(ahead));
  }
  // Back to the true clock, a day behind the last value: one millisecond per call.
  double last = ahead;
  for (int i = 0; i < 200; ++i) {
    const double now = CNuTime::GetCurrentUTCTime().m_dt;
    ASSERT_NEAR(now - last, kOneMillisecond, 1e-11) << i;
    last = now;
  }
  {
    ClockShift back(-3600);
    const double now = CNuTime::GetCurrentUTCTime().m_dt;
    EXPECT_NEAR(now - last, kOneMillisecond, 1e-11);
  }
}

TEST(TimeConversions, SystemTimeAndCTimeOfAValue) {
  using hk::test::FieldsOf;
  SYSTEMTIME st;
  COleDateTimeToSYSTEMTIME(COleDateTime(2024, 6, 15, 13, 45, 30), st);
  EXPECT_EQ(FieldsOf(st), hk::test::SystemFields({2024, 6, 15, 13, 45, 30, 6, 0}));  // a Saturday
  COleDateTimeToSYSTEMTIME(COleDateTime(2024, 6, 16, 0, 0, 0), st);
  EXPECT_EQ(st.wDayOfWeek, 0);

  // A CTime reads the value as local time, in winter and in summer.
  COleDateTime winter(2024, 1, 20, 8, 5, 9), summer(2024, 7, 1, 12, 0, 0);
  EXPECT_EQ(FieldsOf(COleDateTimeToCTime(winter)), hk::test::Fields({2024, 1, 20, 8, 5, 9, 7}));
  EXPECT_EQ(COleDateTimeToCTime(summer).GetHour(), 12);
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_EQ(COleDateTimeToCTime(invalid).GetTime(), -1);
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
  struct Zone {
    std::string tz;  // empty: the machine's own
    double minutes;
  };
  std::vector<Zone> zones{{"", OffsetNowInMinutes()}};
#if !defined(_WIN32)
  zones.push_back({hk::test::ZoneWithDaylightSavingNow(), 120});
  zones.push_back({"IST-5:30", 330});
  zones.push_back({"NST+3:30", -210});
#endif
  // Half a year from now, where the daylight-saving zone keeps standard time.
  SYSTEMTIME now;
  GetSystemTime(&now);
  const int month = (now.wMonth + 5) % 12 + 1;
  const COleDateTime original(now.wYear + (month < now.wMonth ? 1 : 0), month, 15, 18, 30, 0);
  for (const Zone& zone : zones) {
#if !defined(_WIN32)
    std::optional<hk::test::ScopedZone> scoped;
    if (!zone.tz.empty()) scoped.emplace(zone.tz);
#endif
    ASSERT_EQ(OffsetNowInMinutes(), zone.minutes) << zone.tz;
    COleDateTime t = original;
    LocalTimeToUTC(t);
    EXPECT_NEAR((original.m_dt - t.m_dt) * 1440.0, zone.minutes, 1e-6) << zone.tz;
    UTCToLocalTime(t);
    EXPECT_NEAR(t.m_dt, original.m_dt, 1e-9) << zone.tz;
    EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
  }

  // Nothing the system can convert: left as it was.
  COleDateTime invalid(1.5);
  invalid.SetStatus(COleDateTime::invalid);
  LocalTimeToUTC(invalid);
  EXPECT_EQ(invalid.m_dt, 1.5);
  EXPECT_EQ(invalid.GetStatus(), COleDateTime::invalid);
  UTCToLocalTime(invalid);
  EXPECT_EQ(invalid.m_dt, 1.5);
}

}  // namespace

// Time zones for tests, set through TZ where the C run time follows it (POSIX).
#pragma once

#include "tests/support/fixtures.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

namespace hk::test {

#if !defined(_WIN32)
// Sets TZ for the scope and makes the run time read it again.
class ScopedZone {
 public:
  explicit ScopedZone(const std::string& tz) {
    m_env.emplace("TZ", tz.c_str());
    tzset();
  }
  ~ScopedZone() {
    m_env.reset();
    tzset();
  }
  ScopedZone(const ScopedZone&) = delete;
  ScopedZone& operator=(const ScopedZone&) = delete;

 private:
  std::optional<ScopedEnv> m_env;
};

// A zone at UTC+1 whose daylight saving (UTC+2) runs from three days before today to three
// days after it: in force now, not half a year ago or ahead.
inline std::string ZoneWithDaylightSavingNow() {
  const time_t now = time(nullptr);
  struct tm utc {};
  gmtime_r(&now, &utc);
  auto julian = [](int day) { return (day + 364) % 365 + 1; };  // 1..365
  const int today = utc.tm_yday + 1;
  char rule[64];
  std::snprintf(rule, sizeof rule, "STD-1DST-2,J%d,J%d", julian(today - 3), julian(today + 3));
  return rule;
}
#endif

}  // namespace hk::test

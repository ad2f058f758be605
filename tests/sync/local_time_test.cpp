// The system's time zone conversion agrees with the system's own local time.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pages/sync/clock_comparison.h"
#include "pages/sync/local_time.h"
#include "platform/clock.h"

namespace tk52 {
namespace {

TEST(SystemTimeZone, ConvertsUtcToTheLocalTimeTheSystemReports) {
  const SystemClock& clock = SystemClock::instance();
  const CalendarTime utc = clock.utc_now();
  const CalendarTime local = clock.local_now();
  const std::optional<CalendarTime> converted = SystemTimeZone().to_local(utc);
  ASSERT_TRUE(converted.has_value());
  EXPECT_EQ(converted->milliseconds, utc.milliseconds);
  // The two readings lie a moment apart.
  EXPECT_LT(std::llabs(clock_difference_ms(local, *converted)), 1000);
}

}  // namespace
}  // namespace tk52

#ifdef _WIN32
#include <stdlib.h>
#include <time.h>

#include <string>

namespace tk52 {
namespace {

// The C runtime's local time follows TZ; the system's, which the synchronisation page converts
// to, does not. The log's time stamps must be the system's, whatever TZ says.
TEST(SystemClock, LocalTimeIsTheSystemsWhateverTzSays) {
  const char* before = std::getenv("TZ");
  const std::string saved = before != nullptr ? before : "";
  // Thirteen hours east of UTC: no test machine's zone.
  ASSERT_EQ(_putenv_s("TZ", "AAA-13"), 0);
  _tzset();
  const SystemClock& clock = SystemClock::instance();
  const std::optional<CalendarTime> converted = SystemTimeZone().to_local(clock.utc_now());
  const CalendarTime local = clock.local_now();
  _putenv_s("TZ", saved.c_str());
  _tzset();
  ASSERT_TRUE(converted.has_value());
  EXPECT_LT(std::llabs(clock_difference_ms(local, *converted)), 1000);
}

}  // namespace
}  // namespace tk52
#endif

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

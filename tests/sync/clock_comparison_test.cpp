// The comparison's arithmetic: the difference field's texts, the difference across day, month
// and year boundaries, and the latency carried into the time the PC clock is set to.
#include <gtest/gtest.h>

#include <cstdint>

#include "pages/sync/clock_comparison.h"

namespace tk52 {
namespace {

CalendarTime at(int year, int month, int day, int hour, int minute, int second, int ms) {
  auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u16(year), u16(month), 0, u16(day), u16(hour), u16(minute), u16(second), u16(ms)};
}

TEST(DifferenceText, ShowsSignSecondsAndMilliseconds) {
  const struct {
    const char* legend;
    std::int64_t ms;
    const char* text;
  } cases[] = {
      {"equal", 0, "0.000"},
      {"PC 1.5 s ahead", 1500, "+1.500"},
      {"PC 1.5 s behind", -1500, "-1.500"},
      {"under a second keeps the zero", -30, "-0.030"},
      {"one millisecond", 1, "+0.001"},
      {"just under the limit", 3'599'998, "+3599.998"},
      {"at the limit", 3'599'999, "+3599.999"},
      {"two hours ahead", 7'200'000, "+3599.999"},
      {"two hours behind", -7'200'000, "-3599.999"},
      {"a day behind", -86'400'000, "-3599.999"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(difference_text(c.ms), c.text);
  }
}

TEST(ClockDifference, CountsAcrossDayMonthAndYearBoundaries) {
  const struct {
    const char* legend;
    CalendarTime pc;
    CalendarTime device;
    std::int64_t ms;
  } cases[] = {
      {"same second", at(2024, 5, 17, 10, 0, 1, 500), at(2024, 5, 17, 10, 0, 0, 0), 1500},
      {"across midnight", at(2024, 5, 18, 0, 0, 0, 10), at(2024, 5, 17, 23, 59, 59, 990), 20},
      {"into 29 February", at(2024, 2, 29, 0, 0, 0, 0), at(2024, 2, 28, 23, 59, 59, 0), 1000},
      {"into 1 March of a leap year", at(2024, 3, 1, 0, 0, 0, 0), at(2024, 2, 29, 23, 59, 59, 0),
       1000},
      {"into 1 March of a common year", at(2023, 3, 1, 0, 0, 0, 0), at(2023, 2, 28, 23, 59, 59, 0),
       1000},
      {"into a new year", at(2025, 1, 1, 0, 0, 0, 0), at(2024, 12, 31, 23, 59, 59, 500), 500},
      {"PC behind across a new year", at(2023, 12, 31, 23, 59, 59, 0), at(2024, 1, 1, 0, 0, 1, 0),
       -2000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(clock_difference_ms(c.pc, c.device), c.ms);
  }
}

TEST(CalendarTimeCheck, RejectsWhatTheParsersLetThrough) {
  const struct {
    const char* legend;
    CalendarTime t;
    bool valid;
  } cases[] = {
      {"an ordinary time", at(2024, 5, 17, 23, 59, 59, 990), true},
      {"29 February of a leap year", at(2024, 2, 29, 12, 0, 0, 0), true},
      {"29 February of a common year", at(2023, 2, 29, 12, 0, 0, 0), false},
      {"month 0", at(2024, 0, 17, 12, 0, 0, 0), false},
      {"month 13", at(2024, 13, 17, 12, 0, 0, 0), false},
      {"day 0", at(2024, 5, 0, 12, 0, 0, 0), false},
      {"31 April", at(2024, 4, 31, 12, 0, 0, 0), false},
      {"hour 24", at(2024, 5, 17, 24, 0, 0, 0), false},
      {"minute 60", at(2024, 5, 17, 12, 60, 0, 0), false},
      {"second 60", at(2024, 5, 17, 12, 0, 60, 0), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(is_calendar_time(c.t), c.valid);
  }
}

TEST(Latency, CarriesIntoEachLargerUnitOnce) {
  const struct {
    const char* legend;
    CalendarTime utc;
    std::uint32_t elapsed;
    CalendarTime set;
  } cases[] = {
      {"within the second", at(2024, 5, 17, 10, 0, 0, 100), 20, at(2024, 5, 17, 10, 0, 0, 120)},
      {"into the next second", at(2024, 5, 17, 10, 0, 0, 990), 20, at(2024, 5, 17, 10, 0, 1, 10)},
      {"whole seconds and the rest", at(2024, 5, 17, 10, 0, 58, 500), 2600,
       at(2024, 5, 17, 10, 1, 1, 100)},
      {"into the next hour", at(2024, 5, 17, 10, 59, 59, 990), 20, at(2024, 5, 17, 11, 0, 0, 10)},
      {"28 February of a leap year into the 29th", at(2024, 2, 28, 23, 59, 59, 990), 20,
       at(2024, 2, 29, 0, 0, 0, 10)},
      {"29 February into 1 March", at(2024, 2, 29, 23, 59, 59, 990), 20,
       at(2024, 3, 1, 0, 0, 0, 10)},
      {"28 February of a common year into 1 March", at(2023, 2, 28, 23, 59, 59, 990), 20,
       at(2023, 3, 1, 0, 0, 0, 10)},
      // Every year divisible by 4 counts as a leap year here, 2100 too.
      {"28 February 2100 into the 29th", at(2100, 2, 28, 23, 59, 59, 990), 20,
       at(2100, 2, 29, 0, 0, 0, 10)},
      {"30 April into 1 May", at(2024, 4, 30, 23, 59, 59, 990), 20, at(2024, 5, 1, 0, 0, 0, 10)},
      {"into a new year", at(2024, 12, 31, 23, 59, 59, 990), 20, at(2025, 1, 1, 0, 0, 0, 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(add_latency(c.utc, c.elapsed), c.set);
  }
}

TEST(Latency, ElapsedTicksAreExactAcrossTheWrap) {
  const struct {
    const char* legend;
    std::uint32_t start;
    std::uint32_t now;
    std::uint32_t elapsed;
  } cases[] = {
      {"no wrap", 1000, 1020, 20},
      {"wrap between", 0xFFFF'FFF0u, 0x0000'0004u, 20},
      {"start at the last tick", 0xFFFF'FFFFu, 0x0000'0000u, 1},
      {"now at zero", 0xFFFF'FFECu, 0, 20},
      {"now a tick before start", 5000, 4999, 0},
      {"now before start across the wrap", 0x0000'0002u, 0xFFFF'FFFFu, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(elapsed_ticks(c.start, c.now), c.elapsed);
  }
}

}  // namespace
}  // namespace tk52

#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tk52 {
namespace {

std::string show(const CalendarTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u (%u) %02u:%02u:%02u.%03u", t.year, t.month,
                t.day, t.day_of_week, t.hour, t.minute, t.second, t.milliseconds);
  return text;
}

// Instants around the local hours and half hours of days that hold the usual edges: New Year
// (and its eve), the European, North American and Lord Howe daylight-saving changes, a leap day.
// A millisecond, a second and a minute either side of each.
std::vector<std::int64_t> edge_instants() {
  const struct {
    int year, month, day;
  } days[] = {{2026, 1, 1},   {2026, 3, 8},  {2026, 3, 29},  {2026, 4, 5}, {2026, 10, 4},
              {2026, 10, 25}, {2026, 11, 1}, {2026, 12, 31}, {2028, 2, 29}};
  std::vector<std::int64_t> instants;
  for (const auto& day : days) {
    for (int hour = 0; hour <= 24; ++hour) {
      for (const int minute : {0, 30}) {
        std::tm local{};
        local.tm_year = day.year - 1900;
        local.tm_mon = day.month - 1;
        local.tm_mday = day.day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_isdst = -1;
        const std::int64_t edge = static_cast<std::int64_t>(std::mktime(&local)) * 1000;
        for (const std::int64_t step :
             {-60'000, -1'001, -1'000, -999, -1, 0, 1, 999, 1'000, 59'999, 60'000}) {
          instants.push_back(edge + step);
        }
      }
    }
  }
  return instants;
}

// The remembered second gives what a full conversion gives, walking the edges forward, back
// (a clock set back) and with the milliseconds of one second in turn.
void expect_local_times_match(const std::string& zone) {
  const std::vector<std::int64_t> instants = edge_instants();
  for (const bool backwards : {false, true}) {
    for (std::size_t i = 0; i < instants.size(); ++i) {
      const std::int64_t at = instants[backwards ? instants.size() - 1 - i : i];
      ASSERT_EQ(show(local_time_at(at)), show(local_time_converted(at))) << zone << " at " << at;
    }
  }
}

#ifdef _WIN32

TEST(LocalTime, RememberedSecondMatchesFullConversion) {
  expect_local_times_match("the local zone");
}

#else

class ZoneScope {
 public:
  ZoneScope() {
    if (const char* tz = std::getenv("TZ"))
      saved_ = tz;
  }
  ~ZoneScope() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  static void use(const std::string& zone) {
    setenv("TZ", zone.c_str(), 1);
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

const char* const kZones[] = {
    "UTC",
    "Europe/Berlin",
    "America/New_York",
    "Australia/Lord_Howe",  // half an hour of daylight saving
    "Asia/Kathmandu",       // +05:45
    "America/St_Johns",     // -03:30, daylight saving on North American dates
    "ABC-3:00:30",          // an offset with seconds
    "ABC-4",                // the same name, another offset
};

TEST(LocalTime, RememberedSecondMatchesFullConversionInEveryZone) {
  ZoneScope scope;
  for (const char* zone : kZones) {
    ZoneScope::use(zone);
    expect_local_times_match(zone);
  }
}

// A time zone change takes effect at once, even within the second already converted.
TEST(LocalTime, ZoneChangeWithinTheSecondIsSeen) {
  ZoneScope scope;
  const std::int64_t at = 1'790'000'000'123;  // 2026-09-21
  for (const char* from : kZones) {
    for (const char* to : kZones) {
      ZoneScope::use(from);
      local_time_at(at);
      ZoneScope::use(to);
      EXPECT_EQ(show(local_time_at(at + 1)), show(local_time_converted(at + 1)))
          << from << " then " << to;
    }
  }
}

#endif

TEST(LocalTime, SystemClockReadsNow) {
  const auto before = std::time(nullptr);
  const CalendarTime now = SystemClock::instance().local_now();
  const auto after = std::time(nullptr);
  std::tm first{}, last{};
#ifdef _WIN32
  localtime_s(&first, &before);
  localtime_s(&last, &after);
#else
  localtime_r(&before, &first);
  localtime_r(&after, &last);
#endif
  EXPECT_GE(now.year * 10000 + now.month * 100 + now.day,
            (first.tm_year + 1900) * 10000 + (first.tm_mon + 1) * 100 + first.tm_mday);
  EXPECT_LE(now.year * 10000 + now.month * 100 + now.day,
            (last.tm_year + 1900) * 10000 + (last.tm_mon + 1) * 100 + last.tm_mday);
  EXPECT_LT(now.milliseconds, 1000);
}

// The wall clock derived from the monotonic one follows a setting of the wall clock by this
// program at once, and any other within the recheck interval.
TEST(WallFromMonotonic, MeasuresTheDifferenceAgainOnlyWhenItMayHaveChanged) {
  constexpr std::int64_t kMs = 1'000'000;
  constexpr std::int64_t kBoot = 1'790'000'000'000 * kMs;  // the wall time at monotonic 0
  constexpr std::int64_t kHour = 3'600'000 * kMs;
  struct Reading {
    const char* what;
    std::int64_t monotonic_ns;
    std::uint32_t generation;
    std::int64_t offset_ns;  // the true wall-minus-monotonic difference now
    bool measured;           // a fresh difference is expected
    std::int64_t expected_wall_ns;
  };
  const Reading readings[] = {
      {"first reading", 100 * kMs, 0, kBoot, true, kBoot + 100 * kMs},
      {"within the interval", 199 * kMs, 0, kBoot, false, kBoot + 199 * kMs},
      {"interval over", 200 * kMs, 0, kBoot, true, kBoot + 200 * kMs},
      {"set by this program", 210 * kMs, 1, kBoot + kHour, true, kBoot + kHour + 210 * kMs},
      {"set by someone else: not seen yet", 250 * kMs, 1, kBoot - kHour, false,
       kBoot + kHour + 250 * kMs},
      {"seen at the recheck", 310 * kMs, 1, kBoot - kHour, true, kBoot - kHour + 310 * kMs},
      {"monotonic reading before the last measurement", 300 * kMs, 1, kBoot - kHour, true,
       kBoot - kHour + 300 * kMs},
  };
  WallFromMonotonic clock;
  for (const Reading& r : readings) {
    bool measured = false;
    const std::int64_t wall = clock.wall_ns(r.monotonic_ns, r.generation, [&] {
      measured = true;
      return r.offset_ns;
    });
    EXPECT_EQ(measured, r.measured) << r.what;
    EXPECT_EQ(wall, r.expected_wall_ns) << r.what;
  }
}

// One stamp's local time and tick are the machine's, read before and after it.
// Over a little more than a second (a wall second's change, several checks of the clocks on the
// way), each stamp agrees with the readings taken just before and after it, to the millisecond a
// stamp told from another reading of the same instant may differ by, and its tick never goes
// back.
TEST(LocalTime, SystemClockStampAgreesWithTheTwoReadings) {
  const SystemClock& clock = SystemClock::instance();
  const auto ms_of_day = [](const CalendarTime& t) {
    return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
  };
  const auto ticks_from = [](std::uint32_t from, std::uint32_t to) {
    return static_cast<std::int32_t>(to - from);
  };
  const std::uint32_t start = clock.tick_ms();
  std::uint32_t previous = clock.stamp_now().tick;
  int stamps = 0;
  while (ticks_from(start, clock.tick_ms()) < 1100) {
    const std::uint32_t tick_before = clock.tick_ms();
    const CalendarTime before = clock.local_now();
    const ClockStamp stamp = clock.stamp_now();
    const CalendarTime after = clock.local_now();
    const std::uint32_t tick_after = clock.tick_ms();
    ++stamps;
    ASSERT_GE(ticks_from(tick_before, stamp.tick), -1);
    ASSERT_GE(ticks_from(stamp.tick, tick_after), -1);
    ASSERT_GE(ticks_from(previous, stamp.tick), 0);
    previous = stamp.tick;
    // Across midnight the milliseconds of the day start again.
    if (before.day != after.day)
      continue;
    ASSERT_EQ(stamp.local.day, before.day);
    ASSERT_GE(ms_of_day(stamp.local), ms_of_day(before) - 1);
    ASSERT_LE(ms_of_day(stamp.local), ms_of_day(after) + 1);
  }
  EXPECT_GT(stamps, 1000);
}

}  // namespace
}  // namespace tk52

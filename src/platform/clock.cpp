#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace tk52 {
namespace {

CalendarTime to_calendar(const std::tm& tm, int milliseconds) {
  CalendarTime t;
  t.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
  t.month = static_cast<std::uint16_t>(tm.tm_mon + 1);
  t.day_of_week = static_cast<std::uint16_t>(tm.tm_wday);
  t.day = static_cast<std::uint16_t>(tm.tm_mday);
  t.hour = static_cast<std::uint16_t>(tm.tm_hour);
  t.minute = static_cast<std::uint16_t>(tm.tm_min);
  t.second = static_cast<std::uint16_t>(tm.tm_sec);
  t.milliseconds = static_cast<std::uint16_t>(milliseconds);
  return t;
}

CalendarTime convert(std::int64_t unix_ms, bool local) {
  const std::time_t seconds = static_cast<std::time_t>(unix_ms / 1000);
  std::tm tm{};
#ifdef _WIN32
  if (local) {
    localtime_s(&tm, &seconds);
  } else {
    gmtime_s(&tm, &seconds);
  }
#else
  if (local) {
    localtime_r(&seconds, &tm);
  } else {
    gmtime_r(&seconds, &tm);
  }
#endif
  return to_calendar(tm, static_cast<int>(unix_ms % 1000));
}

// What the C library's conversions know of the time zone, as far as it shows: a call to tzset()
// after TZ changed (or a conversion in another zone's rules) changes it.
struct ZoneState {
  long offset = 0;
  int daylight = 0;
  const char* standard_name = nullptr;
  const char* daylight_name = nullptr;

  friend bool operator==(const ZoneState&, const ZoneState&) = default;
};

ZoneState zone_state() {
#ifdef _WIN32
  return {_timezone, _daylight, _tzname[0], _tzname[1]};
#else
  return {::timezone, ::daylight, ::tzname[0], ::tzname[1]};
#endif
}

// The local time of the latest whole second converted on this thread. The reader stamps every
// "$" with the local time, many times a second while a journal is read; only the milliseconds
// change within a second, so the calendar fields are converted once per second (and again
// whenever the zone may have changed). Per thread, so that no lock is needed.
struct LocalSecond {
  bool valid = false;
  std::int64_t second = 0;
  ZoneState zone;
  CalendarTime time;
};
thread_local LocalSecond t_local_second;

#ifndef _WIN32
std::int64_t now_unix_ms() {
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
}

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kNsPerMs = 1'000'000;

std::int64_t read_ns(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

thread_local WallFromMonotonic t_wall_clock;

// The wall-minus-monotonic difference, measured against the middle of two monotonic readings
// around the wall one. Of three tries the tightest counts: a try the scheduler interrupted would
// put every stamp until the next measurement off by the length of the interruption.
std::int64_t measure_wall_offset() {
  std::int64_t best_span = -1;
  std::int64_t offset = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::int64_t before = read_ns(CLOCK_MONOTONIC);
    const std::int64_t wall = read_ns(CLOCK_REALTIME);
    const std::int64_t after = read_ns(CLOCK_MONOTONIC);
    if (best_span < 0 || after - before < best_span) {
      best_span = after - before;
      offset = wall - (before + best_span / 2);
    }
  }
  return offset;
}
#endif

std::atomic<std::uint32_t> g_wall_clock_generation{0};

}  // namespace

std::uint32_t wall_clock_generation() {
  return g_wall_clock_generation.load(std::memory_order_acquire);
}

void wall_clock_was_set() {
  g_wall_clock_generation.fetch_add(1, std::memory_order_acq_rel);
}

CalendarTime local_time_at(std::int64_t unix_ms) {
  LocalSecond& cached = t_local_second;
  const std::int64_t second = unix_ms / 1000;
  if (!cached.valid || cached.second != second || !(cached.zone == zone_state())) {
    cached.time = convert(second * 1000, true);
    cached.second = second;
    // Read after the conversion, which may have set it up.
    cached.zone = zone_state();
    cached.valid = true;
  }
  CalendarTime t = cached.time;
  t.milliseconds = static_cast<std::uint16_t>(unix_ms % 1000);
  return t;
}

CalendarTime local_time_converted(std::int64_t unix_ms) {
  return convert(unix_ms, true);
}

// On Windows the calendar times come from the system (clock_win32.cpp): the C runtime's local
// time follows the TZ variable, the system's time zone conversions do not.
#ifndef _WIN32
CalendarTime SystemClock::local_now() const {
  return local_time_at(now_unix_ms());
}
CalendarTime SystemClock::utc_now() const {
  return convert(now_unix_ms(), false);
}

// The reader stamps every "$" with both, told from one monotonic reading.
ClockStamp SystemClock::stamp_now() const {
  const std::int64_t monotonic = read_ns(CLOCK_MONOTONIC);
  const std::int64_t wall =
      t_wall_clock.wall_ns(monotonic, wall_clock_generation(), measure_wall_offset);
  return {local_time_at(wall / kNsPerMs), static_cast<std::uint32_t>(monotonic / kNsPerMs)};
}
#endif

std::uint32_t SystemClock::tick_ms() const {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

const SystemClock& SystemClock::instance() {
  static const SystemClock clock;
  return clock;
}

}  // namespace tk52

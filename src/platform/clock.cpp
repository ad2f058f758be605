#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#if !defined(_WIN32) && defined(__x86_64__) && defined(__GNUC__)
#include <x86intrin.h>
#define TK52_CYCLE_COUNTER 1
#endif

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

#ifdef TK52_CYCLE_COUNTER
// The counter is only trusted where the system's own clock is built on it: the kernel chose it
// as its clock source, so it is constant-rate and in step on every processor.
bool system_clock_reads_the_cycle_counter() {
  std::FILE* file =
      std::fopen("/sys/devices/system/clocksource/clocksource0/current_clocksource", "r");
  if (file == nullptr)
    return false;
  char name[16] = {};
  const bool counter =
      std::fgets(name, sizeof name, file) != nullptr && std::strcmp(name, "tsc\n") == 0;
  std::fclose(file);
  return counter;
}

// The counter and the monotonic clock read together: the tightest of three tries, as a pause
// between the readings would skew the rate measured from them.
MonotonicFromCycles::Pair read_cycles_and_monotonic() {
  MonotonicFromCycles::Pair best;
  std::uint64_t best_span = ~std::uint64_t{0};
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::uint64_t before = __rdtsc();
    const std::int64_t monotonic = read_ns(CLOCK_MONOTONIC);
    const std::uint64_t after = __rdtsc();
    if (after - before < best_span) {
      best_span = after - before;
      best = {before + best_span / 2, monotonic};
    }
  }
  return best;
}

thread_local MonotonicFromCycles t_cycles;
#endif

// The wall-minus-monotonic difference, measured.
std::int64_t measure_wall_offset() {
  const std::int64_t before = read_ns(CLOCK_MONOTONIC);
  return read_ns(CLOCK_REALTIME) - before;
}
#endif

std::atomic<std::uint32_t> g_wall_clock_generation{0};

// Kept out of line: the common case, a second already converted, is a copy.
[[gnu::noinline]] void convert_second(LocalSecond& cached, std::int64_t second) {
  cached.time = convert(second * 1000, true);
  cached.second = second;
  // Read after the conversion, which may have set it up.
  cached.zone = zone_state();
  cached.valid = true;
}

// local_time_at(), inlined into the stamp.
inline CalendarTime local_time_of(std::int64_t unix_ms) {
  LocalSecond& cached = t_local_second;
  const std::int64_t second = unix_ms / 1000;
  if (!cached.valid || cached.second != second || !(cached.zone == zone_state()))
    convert_second(cached, second);
  CalendarTime t = cached.time;
  t.milliseconds = static_cast<std::uint16_t>(unix_ms % 1000);
  return t;
}

#ifdef TK52_CYCLE_COUNTER
bool use_cycle_counter() {
  static const bool use = system_clock_reads_the_cycle_counter();
  return use;
}

// A stretch of counter readings over which a stamp is the start's plus the cycles since, scaled:
// within one second of the wall clock and before the counter or the wall clock is due to be
// checked, as long as the time zone stays and this program does not set the clock. Past it the
// stamp is worked out in full, which starts the next stretch.
struct StampWindow {
  std::uint64_t start = 0;
  std::uint64_t span = 0;  // cycles; 0 while there is no stretch
  double ms_per_cycle = 0;
  double tick_ms = 0;       // at the start, with its fraction
  double ms_of_second = 0;  // the wall clock's at the start, with its fraction
  CalendarTime second;      // the local time of the wall second, milliseconds 0
  std::uint32_t generation = 0;
  ZoneState zone;
};
thread_local StampWindow t_window;
#endif

}  // namespace

std::uint32_t wall_clock_generation() {
  return g_wall_clock_generation.load(std::memory_order_acquire);
}

void wall_clock_was_set() {
  g_wall_clock_generation.fetch_add(1, std::memory_order_acq_rel);
}

CalendarTime local_time_at(std::int64_t unix_ms) {
  return local_time_of(unix_ms);
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

namespace {

ClockStamp stamp_at(std::int64_t monotonic, std::int64_t wall) {
  return {local_time_of(wall / kNsPerMs), static_cast<std::uint32_t>(monotonic / kNsPerMs)};
}

#ifdef TK52_CYCLE_COUNTER
// A stamp worked out in full from a counter reading; it starts the next stretch.
[[gnu::noinline]] ClockStamp stamp_in_full(std::uint64_t cycles) {
  StampWindow& window = t_window;
  if (window.span > 0) {
    // The last stamp of the stretch may have been told a hair later than a fresh measurement.
    const std::uint64_t into = cycles - window.start;
    const double ms =
        static_cast<double>(into < window.span ? into : window.span) * window.ms_per_cycle;
    t_cycles.not_before(static_cast<std::int64_t>((window.tick_ms + ms) * kNsPerMs));
  }
  const std::int64_t monotonic = t_cycles.monotonic_ns(cycles, read_cycles_and_monotonic);
  const std::uint32_t generation = wall_clock_generation();
  const std::int64_t wall = t_wall_clock.wall_ns(monotonic, generation, measure_wall_offset);
  const ClockStamp stamp = stamp_at(monotonic, wall);

  window.span = 0;
  const double ns_per_cycle = t_cycles.ns_per_cycle();
  if (ns_per_cycle <= 0 || wall < 0)
    return stamp;
  const std::int64_t ns_of_second = wall % kNsPerSecond;
  std::int64_t ns_left = kNsPerSecond - ns_of_second;
  const std::int64_t ns_to_recheck = t_wall_clock.ns_to_recheck(monotonic);
  if (ns_to_recheck < ns_left)
    ns_left = ns_to_recheck;
  if (ns_left <= 0)
    return stamp;
  const auto cycles_left = static_cast<std::uint64_t>(static_cast<double>(ns_left) / ns_per_cycle);
  const std::uint64_t cycles_to_check = t_cycles.cycles_to_check(cycles);
  window.start = cycles;
  window.span = cycles_left < cycles_to_check ? cycles_left : cycles_to_check;
  window.ms_per_cycle = ns_per_cycle / static_cast<double>(kNsPerMs);
  window.tick_ms = static_cast<double>(monotonic) / static_cast<double>(kNsPerMs);
  window.ms_of_second = static_cast<double>(ns_of_second) / static_cast<double>(kNsPerMs);
  window.second = stamp.local;
  window.second.milliseconds = 0;
  window.generation = generation;
  window.zone = zone_state();
  return stamp;
}
#endif

}  // namespace

// The reader stamps every "$" with both, from one reading: of the cycle counter where the system
// clock is built on it (mostly two multiplications away from the stamp), else of the monotonic
// clock.
ClockStamp SystemClock::stamp_now() const {
#ifdef TK52_CYCLE_COUNTER
  if (use_cycle_counter()) {
    const std::uint64_t cycles = __rdtsc();
    const StampWindow& window = t_window;
    const std::uint64_t into = cycles - window.start;
    if (into < window.span && window.generation == wall_clock_generation() &&
        window.zone == zone_state()) {
      const double ms = static_cast<double>(into) * window.ms_per_cycle;
      ClockStamp stamp;
      stamp.local = window.second;
      const auto millisecond = static_cast<unsigned>(window.ms_of_second + ms);
      stamp.local.milliseconds = static_cast<std::uint16_t>(millisecond < 999 ? millisecond : 999);
      stamp.tick = static_cast<std::uint32_t>(static_cast<std::uint64_t>(window.tick_ms + ms));
      return stamp;
    }
    return stamp_in_full(cycles);
  }
#endif
  const std::int64_t monotonic = read_ns(CLOCK_MONOTONIC);
  return stamp_at(monotonic,
                  t_wall_clock.wall_ns(monotonic, wall_clock_generation(), measure_wall_offset));
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

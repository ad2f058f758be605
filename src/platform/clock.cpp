#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace tk52 {
namespace {

#ifndef _WIN32
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

CalendarTime now(bool local) {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
  std::tm tm{};
  if (local) {
    localtime_r(&seconds, &tm);
  } else {
    gmtime_r(&seconds, &tm);
  }
  return to_calendar(tm, static_cast<int>(ms.count() % 1000));
}
#endif

}  // namespace

// On Windows the calendar times come from the system (clock_win32.cpp): the C runtime's local
// time follows the TZ variable, the system's time zone conversions do not.
#ifndef _WIN32
CalendarTime SystemClock::local_now() const {
  return now(true);
}
CalendarTime SystemClock::utc_now() const {
  return now(false);
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

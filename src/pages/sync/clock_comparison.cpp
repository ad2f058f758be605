#include "pages/sync/clock_comparison.h"

#include <array>
#include <cstdio>

namespace tk52 {
namespace {

constexpr std::array<int, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                  181, 212, 243, 273, 304, 334};
constexpr std::array<int, 12> kMonthLength = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kShownLimitMs = 3'599'999;

bool gregorian_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int month_index(const CalendarTime& t) {
  return t.month - 1;
}

std::int64_t ms_count(const CalendarTime& t) {
  const int m = month_index(t);
  std::int64_t day =
      std::int64_t{t.year} * 146097 / 400 + kDaysBeforeMonth[static_cast<std::size_t>(m)] + t.day;
  if (m >= 2 && gregorian_leap(t.year))
    ++day;
  return day * kMsPerDay + t.hour * 3'600'000LL + t.minute * 60'000LL + t.second * 1000LL +
         t.milliseconds;
}

std::uint16_t u16(int value) {
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string clock_text(const CalendarTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d.%.3d", t.hour, t.minute, t.second,
                t.milliseconds);
  return text;
}

bool is_calendar_time(const CalendarTime& t) {
  if (t.month < 1 || t.month > 12 || t.day < 1)
    return false;
  int length = kMonthLength[static_cast<std::size_t>(month_index(t))];
  if (t.month == 2 && gregorian_leap(t.year))
    length = 29;
  return t.day <= length && t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}

std::int64_t clock_difference_ms(const CalendarTime& pc, const CalendarTime& device) {
  return ms_count(pc) - ms_count(device);
}

std::string difference_text(std::int64_t difference_ms) {
  if (difference_ms == 0)
    return "0.000";
  const char sign = difference_ms < 0 ? '-' : '+';
  const std::int64_t magnitude = difference_ms < 0 ? -difference_ms : difference_ms;
  if (magnitude >= kShownLimitMs)
    return std::string(1, sign) + "3599.999";
  char text[32];
  std::snprintf(text, sizeof text, "%c%d.%.3d", sign, static_cast<int>(magnitude / 1000),
                static_cast<int>(magnitude % 1000));
  return text;
}

CalendarTime add_latency(const CalendarTime& utc, std::uint32_t elapsed) {
  CalendarTime t = utc;
  t.milliseconds = u16(t.milliseconds + static_cast<int>(elapsed % 1000));
  t.second = u16(t.second + static_cast<std::uint16_t>(elapsed / 1000));
  if (t.milliseconds >= 1000) {
    t.milliseconds = u16(t.milliseconds - 1000);
    t.second = u16(t.second + 1);
  }
  if (t.second >= 60) {
    t.second = u16(t.second - 60);
    t.minute = u16(t.minute + 1);
  }
  if (t.minute >= 60) {
    t.minute = u16(t.minute - 60);
    t.hour = u16(t.hour + 1);
  }
  if (t.hour > 23) {
    t.hour = u16(t.hour - 24);
    t.day = u16(t.day + 1);
  }
  const int length =
      t.month == 2 && t.year % 4 == 0 ? 29 : kMonthLength[static_cast<std::size_t>(month_index(t))];
  if (t.day > length) {
    t.day = u16(t.day - length);
    t.month = u16(t.month + 1);
  }
  if (t.month > 12) {
    t.month = u16(t.month - 12);
    t.year = u16(t.year + 1);
  }
  return t;
}

}  // namespace tk52

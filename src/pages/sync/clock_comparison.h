// The arithmetic of comparing the PC clock with the clock's time and of carrying the clock's
// time forward by the time a sentence took to reach the point where the PC clock is set.
#pragma once

#include <cstdint>
#include <string>

#include "platform/calendar_time.h"

namespace tk52 {

// "hh:mm:ss.mmm", as the time fields show a time.
std::string clock_text(const CalendarTime& t);

// True for a date and time the calendar has: month 1..12, a day of that month, hours 0..23,
// minutes and seconds 0..59. The time sentences' parsers take some digits that are not.
bool is_calendar_time(const CalendarTime& t);

// pc minus device, in milliseconds, both local calendar times (is_calendar_time). Days count as
// floor(year × 146097 / 400) plus the days before the month plus the day: not a true day
// number, but it moves by one from any day to the next, which is all a difference needs.
std::int64_t clock_difference_ms(const CalendarTime& pc, const CalendarTime& device);

// The difference in seconds as the "Разница, c:" field shows it: "0.000", "+1.500", "-0.030";
// from an hour on, "+3599.999" or "-3599.999".
std::string difference_text(std::int64_t difference_ms);

// Milliseconds from tick `start` to tick `now` of a 32-bit tick count, exact across its wrap.
// A `now` before `start` (a stamp and a reading taken by different means, a millisecond apart
// at a boundary) is no time at all, not the 49 days of a wrap.
constexpr std::uint32_t elapsed_ticks(std::uint32_t start, std::uint32_t now) {
  const std::uint32_t elapsed = now - start;
  return elapsed < 0x8000'0000u ? elapsed : 0;
}

// `utc` (a calendar time) plus `elapsed` milliseconds, carried once into each larger unit:
// enough for the latencies met here, well under a minute. February has 29 days in every year
// divisible by 4, 2100 included.
CalendarTime add_latency(const CalendarTime& utc, std::uint32_t elapsed);

}  // namespace tk52

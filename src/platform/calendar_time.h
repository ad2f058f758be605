// A calendar time with milliseconds, laid out like the Windows SYSTEMTIME so the Win32 layer can
// copy one into the other field by field.
#pragma once

#include <cstdint>

namespace tk52 {

struct CalendarTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day_of_week = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;

  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

}  // namespace tk52

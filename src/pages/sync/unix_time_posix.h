// A UTC calendar time as seconds since 1970, for the POSIX time calls.
#pragma once

#include <cerrno>
#include <ctime>
#include <optional>

#include "platform/calendar_time.h"

namespace tk52 {

inline std::optional<std::time_t> unix_seconds(const CalendarTime& utc) {
  std::tm tm{};
  tm.tm_year = utc.year - 1900;
  tm.tm_mon = utc.month - 1;
  tm.tm_mday = utc.day;
  tm.tm_hour = utc.hour;
  tm.tm_min = utc.minute;
  tm.tm_sec = utc.second;
  // -1 is also 23:59:59 on 31 December 1969; only errno tells the failure apart.
  errno = 0;
  const std::time_t seconds = timegm(&tm);
  if (seconds == static_cast<std::time_t>(-1) && errno != 0)
    return std::nullopt;
  return seconds;
}

}  // namespace tk52

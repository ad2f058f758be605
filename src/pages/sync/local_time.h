// The conversion of a UTC calendar time to the PC's local time in its current time zone.
#pragma once

#include <optional>

#include "platform/calendar_time.h"

namespace tk52 {

class TimeZone {
 public:
  virtual ~TimeZone() = default;
  // Empty when the system cannot convert the time.
  virtual std::optional<CalendarTime> to_local(const CalendarTime& utc) const = 0;
};

// The system's time zone, with its daylight saving rules.
class SystemTimeZone final : public TimeZone {
 public:
  std::optional<CalendarTime> to_local(const CalendarTime& utc) const override;
};

}  // namespace tk52

// Clock readers: the local calendar time with milliseconds and a millisecond tick count that
// wraps like the Windows tick count. Injectable, so tests never depend on the machine's clock.
#pragma once

#include <cstdint>

#include "platform/calendar_time.h"

namespace tk52 {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual CalendarTime local_now() const = 0;
  virtual CalendarTime utc_now() const = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32; compare with unsigned subtraction.
  virtual std::uint32_t tick_ms() const = 0;
};

// The local calendar time of an instant given in milliseconds since 1970-01-01 UTC, as the C
// library converts it. The calendar fields of the latest whole second are remembered per thread
// and reused while the second and the time zone stay the same.
CalendarTime local_time_at(std::int64_t unix_ms);
// The same, converted in full every time.
CalendarTime local_time_converted(std::int64_t unix_ms);

// The machine's clocks.
class SystemClock final : public Clock {
 public:
  CalendarTime local_now() const override;
  CalendarTime utc_now() const override;
  std::uint32_t tick_ms() const override;

  static const SystemClock& instance();
};

}  // namespace tk52

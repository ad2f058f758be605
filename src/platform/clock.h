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

// The machine's clocks.
class SystemClock final : public Clock {
 public:
  CalendarTime local_now() const override;
  CalendarTime utc_now() const override;
  std::uint32_t tick_ms() const override;

  static const SystemClock& instance();
};

}  // namespace tk52

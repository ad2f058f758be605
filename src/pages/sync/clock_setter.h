// Setting the PC's system clock. Injected, so that nothing but the program itself and tk52cli
// ever changes the machine's clock.
#pragma once

#include "platform/calendar_time.h"

namespace tk52 {

class ClockSetter {
 public:
  virtual ~ClockSetter() = default;
  // Sets the system clock to `utc` (millisecond resolution). Returns 0, or the system's error
  // number: GetLastError() on Windows (1314 without the privilege), errno elsewhere (EPERM).
  virtual int set_utc(const CalendarTime& utc) = 0;
};

class SystemClockSetter final : public ClockSetter {
 public:
  int set_utc(const CalendarTime& utc) override;
};

}  // namespace tk52

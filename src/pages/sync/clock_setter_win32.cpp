#include <windows.h>

#include "pages/sync/clock_setter.h"
#include "pages/sync/systemtime_win32.h"
#include "platform/clock.h"

namespace tk52 {

int SystemClockSetter::set_utc(const CalendarTime& utc) {
  const SYSTEMTIME time = to_systemtime(utc);
  if (SetSystemTime(&time)) {
    wall_clock_was_set();
    return 0;
  }
  return static_cast<int>(GetLastError());
}

}  // namespace tk52

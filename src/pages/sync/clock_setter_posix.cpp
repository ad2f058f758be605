#include <cerrno>
#include <ctime>

#include "pages/sync/clock_setter.h"
#include "pages/sync/unix_time_posix.h"
#include "platform/clock.h"

namespace tk52 {

int SystemClockSetter::set_utc(const CalendarTime& utc) {
  const std::optional<std::time_t> seconds = unix_seconds(utc);
  if (!seconds)
    return errno;
  const timespec time{*seconds, static_cast<long>(utc.milliseconds) * 1'000'000L};
  if (clock_settime(CLOCK_REALTIME, &time) != 0)
    return errno;
  wall_clock_was_set();
  return 0;
}

}  // namespace tk52

#include <ctime>

#include "pages/sync/local_time.h"
#include "pages/sync/unix_time_posix.h"

namespace tk52 {

std::optional<CalendarTime> SystemTimeZone::to_local(const CalendarTime& utc) const {
  const std::optional<std::time_t> seconds = unix_seconds(utc);
  std::tm local{};
  // localtime_r, like the PC time stamps of SystemClock, so both sides use the same zone.
  if (!seconds || localtime_r(&*seconds, &local) == nullptr)
    return std::nullopt;
  auto u16 = [](int value) { return static_cast<std::uint16_t>(value); };
  return CalendarTime{u16(local.tm_year + 1900), u16(local.tm_mon + 1), u16(local.tm_wday),
                      u16(local.tm_mday),        u16(local.tm_hour),    u16(local.tm_min),
                      u16(local.tm_sec),         utc.milliseconds};
}

}  // namespace tk52

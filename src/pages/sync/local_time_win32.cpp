#include <windows.h>

#include "pages/sync/local_time.h"
#include "pages/sync/systemtime_win32.h"

namespace tk52 {

std::optional<CalendarTime> SystemTimeZone::to_local(const CalendarTime& utc) const {
  // Read each time: the user may change the zone while the program runs.
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
    return std::nullopt;
  const SYSTEMTIME universal = to_systemtime(utc);
  SYSTEMTIME local{};
  if (!SystemTimeToTzSpecificLocalTime(&zone, &universal, &local))
    return std::nullopt;
  return from_systemtime(local);
}

}  // namespace tk52

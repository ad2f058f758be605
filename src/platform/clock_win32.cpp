// The system's calendar times on Windows. Local time is GetLocalTime's, the time the
// synchronisation page converts the clock's UTC time to (SystemTimeToTzSpecificLocalTime),
// so that log time stamps and the page never disagree, whatever TZ says to the C runtime.
#include <windows.h>

#include "platform/clock.h"

namespace tk52 {
namespace {

CalendarTime from_system(const SYSTEMTIME& s) {
  return {s.wYear, s.wMonth, s.wDayOfWeek, s.wDay, s.wHour, s.wMinute, s.wSecond, s.wMilliseconds};
}

}  // namespace

CalendarTime SystemClock::local_now() const {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return from_system(local);
}

CalendarTime SystemClock::utc_now() const {
  SYSTEMTIME universal{};
  GetSystemTime(&universal);
  return from_system(universal);
}

// GetLocalTime reads what the system keeps up to date at every timer interrupt, as cheaply as
// the tick count is read: the two are read one after the other.
ClockStamp SystemClock::stamp_now() const {
  return {local_now(), tick_ms()};
}

}  // namespace tk52

// CalendarTime has the SYSTEMTIME layout; these copy one into the other field by field.
#pragma once

#include <windows.h>

#include "platform/calendar_time.h"

namespace tk52 {

inline SYSTEMTIME to_systemtime(const CalendarTime& t) {
  SYSTEMTIME s{};
  s.wYear = t.year;
  s.wMonth = t.month;
  s.wDayOfWeek = t.day_of_week;
  s.wDay = t.day;
  s.wHour = t.hour;
  s.wMinute = t.minute;
  s.wSecond = t.second;
  s.wMilliseconds = t.milliseconds;
  return s;
}

inline CalendarTime from_systemtime(const SYSTEMTIME& s) {
  return {s.wYear, s.wMonth, s.wDayOfWeek, s.wDay, s.wHour, s.wMinute, s.wSecond, s.wMilliseconds};
}

}  // namespace tk52

// The event journals' texts: the journal types, the event texts, the parameter column per event,
// the time of a record, and the line the journals page writes for each record.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/calendar_time.h"

namespace tk52 {

inline constexpr std::array<std::string_view, 3> kJournalTypeNames = {
    "Связной журнал", "Журнал перезапуска", "Диагностический журнал"};

inline constexpr int kEventCodeCount = 21;

// The event's text (UTF-8); codes without a text are written as their number.
std::string event_text(int code);

// The parameter column for an event (UTF-8).
std::string parameter_text(int code, std::uint32_t parameter);

// One journal record as the clock sent it: what the reader keeps, the page and its file show and
// the CSV and JSON carry.
struct JournalEntry {
  int number = 0;
  std::uint32_t time = 0;  // seconds since 2011-01-01 00:00:00 UTC
  int code = 0;
  std::uint32_t parameter = 0;
};

// Seconds since 2011-01-01 00:00:00 UTC as calendar fields (UTC, no time zone applied).
CalendarTime journal_calendar_time(std::uint32_t seconds_since_2011);
// The same as "hh:mm:ss DD.MM.YYYY", the page's form.
std::string journal_time_text(std::uint32_t seconds_since_2011);

// " %04d | UTC %s | %-40.40s | %-30.30s " in Windows-1251: the columns are counted in bytes, as
// the file holds them.
std::string journal_line(const JournalEntry& record);

}  // namespace tk52

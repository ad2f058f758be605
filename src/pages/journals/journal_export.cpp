#include "pages/journals/journal_export.h"

#include <cstdio>

#include "pages/journals/journal_texts.h"

namespace tk52 {
namespace {

void append_field(std::string& row, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    row += field;
    return;
  }
  row += '"';
  for (const char c : field) {
    if (c == '"')
      row += '"';
    row += c;
  }
  row += '"';
}

// Trailing blanks pad the page's columns; data has none.
std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::string journal_time_iso(std::uint32_t seconds_since_2011) {
  const CalendarTime t = journal_calendar_time(seconds_since_2011);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string journal_csv(const std::vector<JournalEntry>& records, bool with_bom) {
  std::string csv = with_bom ? std::string(kUtf8Bom) : std::string();
  csv += "number,utc_time,event_code,event_text,parameter,parameter_text\r\n";
  for (const JournalEntry& r : records) {
    csv += std::to_string(r.number);
    csv += ',';
    csv += journal_time_iso(r.time);
    csv += ',';
    csv += std::to_string(r.code);
    csv += ',';
    append_field(csv, trimmed(event_text(r.code)));
    csv += ',';
    csv += std::to_string(r.parameter);
    csv += ',';
    append_field(csv, trimmed(parameter_text(r.code, r.parameter)));
    csv += "\r\n";
  }
  return csv;
}

}  // namespace tk52

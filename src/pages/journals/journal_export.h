// The event journals for other programs: a record as data, and the CSV a spreadsheet opens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pages/journals/journal_texts.h"

namespace tk52 {

// The record's time as ISO 8601 UTC, "2011-01-01T00:00:00Z".
std::string journal_time_iso(std::uint32_t seconds_since_2011);

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The CSV of the records (RFC 4180: commas, fields with a comma, quote or line end quoted, CR LF
// line ends), UTF-8, with a header row: number, UTC time, event code, event text, parameter and
// parameter text. `with_bom` starts it with the UTF-8 byte order mark, by which a spreadsheet
// knows the Cyrillic texts for UTF-8; a file gets it, a pipe does not need it.
std::string journal_csv(const std::vector<JournalEntry>& records, bool with_bom);

}  // namespace tk52

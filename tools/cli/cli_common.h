// What every tk52cli command shares: usage errors, number options, JSON output lines.
#pragma once

#include <string>
#include <string_view>

namespace tk52::cli {

// Prints "tk52cli: <message> (see tk52cli help)" on standard error; returns exit code 2.
int usage_error(const std::string& message);

// A decimal number in lo..hi, nothing else.
bool parse_number(std::string_view text, int lo, int hi, int& value);

// One JSON object on its own line of standard output, flushed at once for pipes.
void print_line(const std::string& json);

}  // namespace tk52::cli

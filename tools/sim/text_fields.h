// Small helpers for the comma-separated bodies the clock reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tk52::sim {

std::vector<std::string_view> split_fields(std::string_view body);

// A decimal integer with an optional leading "-" and at most nine digits, within [lo, hi].
bool parse_int(std::string_view text, std::int64_t lo, std::int64_t hi, std::int64_t& value);
bool parse_int(std::string_view text, int lo, int hi, int& value);

// `value` as exactly `width` decimal digits, zero-padded (value must fit).
std::string zero_padded(unsigned value, int width);

// `value` as `width` upper-case hexadecimal digits, most significant first.
std::string hex_upper(std::uint32_t value, int width);

// "$<body>*HH\r\n".
std::string frame(std::string_view body);

// One entry of a help list: `head` in a column of its own, `text` wrapped beside it.
std::string help_entry(std::string_view head, std::string_view text);

}  // namespace tk52::sim

#include "text_fields.h"

#include "protocol/framing.h"

namespace tk52::sim {

std::vector<std::string_view> split_fields(std::string_view body) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = body.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(body.substr(start));
      return fields;
    }
    fields.push_back(body.substr(start, comma - start));
    start = comma + 1;
  }
}

bool parse_int(std::string_view text, std::int64_t lo, std::int64_t hi, std::int64_t& value) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative)
    text.remove_prefix(1);
  if (text.empty() || text.size() > 9)
    return false;
  std::int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
  }
  if (negative)
    v = -v;
  if (v < lo || v > hi)
    return false;
  value = v;
  return true;
}

bool parse_int(std::string_view text, int lo, int hi, int& value) {
  std::int64_t v = 0;
  if (!parse_int(text, std::int64_t{lo}, std::int64_t{hi}, v))
    return false;
  value = static_cast<int>(v);
  return true;
}

std::string zero_padded(unsigned value, int width) {
  std::string text(static_cast<std::size_t>(width), '0');
  for (auto it = text.rbegin(); it != text.rend() && value != 0; ++it, value /= 10) {
    *it = static_cast<char>('0' + value % 10);
  }
  return text;
}

std::string hex_upper(std::uint32_t value, int width) {
  std::string text(static_cast<std::size_t>(width), '0');
  for (auto it = text.rbegin(); it != text.rend(); ++it, value >>= 4) {
    *it = nibble_to_digit(value & 0xF);
  }
  return text;
}

std::string frame(std::string_view body) {
  const std::uint8_t sum = checksum(body.data(), body.size());
  std::string text;
  text.reserve(body.size() + 6);
  text += '$';
  text += body;
  text += '*';
  text += hex_upper(sum, 2);
  text += "\r\n";
  return text;
}

std::string help_entry(std::string_view head, std::string_view text) {
  constexpr std::size_t kColumn = 30;
  constexpr std::size_t kWidth = 100;
  std::string entry(head);
  entry += entry.size() < kColumn ? std::string(kColumn - entry.size(), ' ') : " ";
  std::size_t column = entry.size();
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    if (column + 1 + word.size() > kWidth && column > kColumn) {
      entry += '\n' + std::string(kColumn, ' ');
      column = kColumn;
    } else if (column > kColumn && entry.back() != ' ') {
      entry += ' ';
      ++column;
    }
    entry += word;
    column += word.size();
    text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
  }
  return entry + '\n';
}

}  // namespace tk52::sim

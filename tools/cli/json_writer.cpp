#include "json_writer.h"

#include <cstdio>

namespace tk52::cli {

namespace {

// Length of the well-formed UTF-8 sequence at `text[i]`, or 0.
std::size_t utf8_sequence(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (i + length > text.size())
    return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
      return 0;
  }
  return length;
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += text[i];
    } else if (c >= 0x20 && c < 0x7F) {
      out += text[i];
    } else if (const std::size_t n = c >= 0x80 ? utf8_sequence(text, i) : 0; n > 0) {
      out.append(text, i, n);
      i += n - 1;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    }
  }
  out += '"';
}

void JsonObject::key(std::string_view key) {
  if (text_.size() > 1)
    text_ += ',';
  append_json_string(text_, key);
  text_ += ':';
}

JsonObject& JsonObject::add(std::string_view name, long long value) {
  key(name);
  text_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::add(std::string_view name, std::string_view value) {
  key(name);
  // The clock pads its texts with blanks to a field's width ("TK-52.A "); a script wants the
  // text. The traffic log keeps the line as it came.
  while (!value.empty() && value.back() == ' ')
    value.remove_suffix(1);
  append_json_string(text_, value);
  return *this;
}

JsonObject& JsonObject::add_char(std::string_view name, int c) {
  const char ch = static_cast<char>(c);
  return add(name, c == 0 ? std::string_view{} : std::string_view{&ch, 1});
}

JsonObject& JsonObject::add_raw(std::string_view name, std::string_view json) {
  key(name);
  text_ += json;
  return *this;
}

}  // namespace tk52::cli

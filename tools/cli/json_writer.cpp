#include "json_writer.h"

#include <cstdio>

namespace tk52::cli {

void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
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

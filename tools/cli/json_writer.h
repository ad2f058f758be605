// A minimal writer for one-line JSON objects, enough for tk52cli's output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tk52::cli {

class JsonObject {
 public:
  JsonObject& add(std::string_view key, long long value);
  JsonObject& add(std::string_view key, std::string_view value);  // trailing blanks trimmed
  JsonObject& add_char(std::string_view key, int c);              // "" for 0
  JsonObject& add_raw(std::string_view key, std::string_view json);
  JsonObject& add_null(std::string_view key) { return add_raw(key, "null"); }

  // The finished object, "{...}".
  std::string str() const { return text_ + "}"; }

 private:
  void key(std::string_view key);
  std::string text_ = "{";
};

// Appends `text` as a JSON string literal. Well-formed UTF-8 passes through; control
// characters and bytes that are not UTF-8 are escaped as \u00XX, so any input yields valid JSON.
void append_json_string(std::string& out, std::string_view text);

}  // namespace tk52::cli

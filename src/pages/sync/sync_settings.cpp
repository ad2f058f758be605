#include "pages/sync/sync_settings.h"

namespace tk52 {

std::optional<int> setting_field_value(std::string_view text, SettingRange range) {
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9')
      return std::nullopt;
    // Digits past the maximum cannot bring the value back into the range.
    if (value <= range.max)
      value = value * 10 + (c - '0');
  }
  if (value < range.min)
    return range.min;
  return value > range.max ? range.max : value;
}

}  // namespace tk52

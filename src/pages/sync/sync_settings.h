// The settings of automatic synchronisation and the rule that turns a setting field's text
// into a value.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tk52 {

enum class SyncMode : int { kPeriodic = 1, kThreshold = 2, kManual = 3 };

struct SyncSettings {
  SyncMode mode = SyncMode::kManual;
  std::uint32_t period_ms = 60'000;
  std::uint32_t threshold_ms = 30;

  friend bool operator==(const SyncSettings&, const SyncSettings&) = default;
};

// The ranges of the two setting fields: the period in seconds and the threshold in ms.
struct SettingRange {
  int min;
  int max;
};
inline constexpr SettingRange kPeriodSecondsRange{3, 3600};
inline constexpr SettingRange kThresholdMsRange{3, 5000};

// A setting field's text when it loses the focus or takes Enter: empty when it holds anything
// but digits (the field then shows the current setting again), else the number clamped to the
// range, an empty text counting as 0.
std::optional<int> setting_field_value(std::string_view text, SettingRange range);

}  // namespace tk52

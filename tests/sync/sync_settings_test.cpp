// The setting fields' text rule: digits only, clamped to the range, empty counts as 0.
#include <gtest/gtest.h>

#include "pages/sync/sync_settings.h"

namespace tk52 {
namespace {

TEST(SettingField, ClampsDigitsAndRefusesAnythingElse) {
  const struct {
    const char* legend;
    const char* text;
    SettingRange range;
    std::optional<int> value;
  } cases[] = {
      {"in range", "60", kPeriodSecondsRange, 60},
      {"period above its maximum", "7200", kPeriodSecondsRange, 3600},
      {"empty threshold", "", kThresholdMsRange, 3},
      {"below the minimum", "2", kThresholdMsRange, 3},
      {"leading zeros", "0030", kThresholdMsRange, 30},
      {"too many digits for any int", "99999999999999999999", kThresholdMsRange, 5000},
      {"a sign", "-5", kThresholdMsRange, std::nullopt},
      {"a space", "3 0", kThresholdMsRange, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(setting_field_value(c.text, c.range), c.value);
  }
}

}  // namespace
}  // namespace tk52

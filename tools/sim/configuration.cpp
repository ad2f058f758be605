#include "configuration.h"

#include <array>
#include <vector>

#include "text_fields.h"

namespace tk52::sim {
namespace {

struct FieldRule {
  int error_digit;
  int lo;
  int hi;
  std::size_t width;  // the exact number of digits on the wire
  int Configuration::*member;
};

// The PPS models accept satellite systems 0 ("none"); the others start at 1.
std::vector<FieldRule> layout(DeviceModelType model) {
  const bool pps = has_pps_fields(model);
  std::vector<FieldRule> rules = {
      {config_error::kTimeFormat, 0, 8, 1, &Configuration::time_format},
      {config_error::kSatelliteSystems, pps ? 0 : 1, 3, 1, &Configuration::satellite_systems},
      {config_error::kUtcReference, 1, 2, 1, &Configuration::utc_reference},
      {config_error::kHeating, 0, 1, 1, &Configuration::heating},
  };
  if (pps) {
    rules.push_back({config_error::kPpsSource, 0, 2, 1, &Configuration::pps_source});
    rules.push_back({config_error::kPpsWidth, 1, 400, 3, &Configuration::pps_width});
  }
  return rules;
}

}  // namespace

Configuration default_configuration(DeviceModelType model) {
  Configuration config;
  if (model == DeviceModelType::kTk5201)
    config.satellite_systems = 3;  // the .01 ships GPS only
  return config;
}

std::string configuration_fields(const Configuration& config, DeviceModelType model) {
  std::string text;
  for (const FieldRule& rule : layout(model)) {
    if (!text.empty())
      text += ',';
    text += zero_padded(static_cast<unsigned>(config.*rule.member), static_cast<int>(rule.width));
  }
  return text;
}

int parse_configuration(std::string_view fields, DeviceModelType model, Configuration& out) {
  const std::vector<FieldRule> rules = layout(model);
  const std::vector<std::string_view> values = split_fields(fields);
  if (values.size() != rules.size())
    return config_error::kFieldCount;
  Configuration config = out;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    int value = 0;
    if (values[i].size() != rules[i].width ||
        !parse_int(values[i], rules[i].lo, rules[i].hi, value)) {
      return rules[i].error_digit;
    }
    config.*rules[i].member = value;
  }
  out = config;
  return 0;
}

}  // namespace tk52::sim

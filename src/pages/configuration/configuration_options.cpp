#include "pages/configuration/configuration_options.h"

namespace tk52 {

int satellite_wire_digit(DeviceModelType model, int position) {
  return has_pps_fields(model) ? position : position + 1;
}

ConfigurationDigits to_wire(DeviceModelType model, const ConfigurationPositions& p) {
  return {p.time_stamp_format, satellite_wire_digit(model, p.satellite_systems),
          p.utc_reference + 1, p.heating,
          p.pps_source,        p.pps_width};
}

int pps_width_from_text(std::string_view text) {
  if (text.empty() || text.size() > 3)
    return 0;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

ConfigurationDefaults configuration_defaults(DeviceModelType model) {
  switch (model) {
    case DeviceModelType::kTk5200:
      return {{2, 0, 1, 0, 0, 0}, false};
    case DeviceModelType::kTk5201:
      return {{2, 2, 1, 0, 0, 0}, false};
    case DeviceModelType::kTk52A:
    case DeviceModelType::kTk53:
      return {{2, 1, 1, 0, 2, 100}, true};
    default:
      return {{2, 0, 1, 0, 0, 0}, false};
  }
}

}  // namespace tk52

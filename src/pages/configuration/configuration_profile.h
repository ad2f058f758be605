// A configuration profile: one clock's configuration kept in a file, to be applied to other
// clocks of the same model and kept as the record of what was set. JSON, the fields by their
// meaning (the page's option texts), with the model, the program's version and the date:
//
//   {
//     "format": "tk52cfg-configuration", "format_version": 1,
//     "program": "tk52cfg 1.0.0", "saved": "2026-12-10T12:00:00Z",
//     "model_type": 3, "model": "TK-52.A",
//     "configuration": {"time_stamp_format": "ТК-52 (UNIX)", "satellite_systems": "ГЛОНАСС",
//                       "pps_source": "Автоматический выбор", "pps_width": 100}
//   }
//
// Models 1 and 2 have "utc_reference" and "heating" where models 3 and 4 have "pps_source" and
// "pps_width"; a profile holds exactly its model's fields.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "pages/configuration/configuration_options.h"
#include "protocol/device_model.h"

namespace tk52 {

struct ConfigurationProfile {
  DeviceModelType model = DeviceModelType::kUnknown;
  ConfigurationPositions configuration;  // list positions as on the page for that model
};

// The profile's text. `saved_utc` is the date written, ISO 8601 ("2026-12-10T12:00:00Z").
std::string profile_text(const ConfigurationProfile& profile, std::string_view saved_utc);

// Reads a profile for a clock of model `connected`. On any fault (not JSON, cut short, not a
// profile, another model, a field the model does not have or lacks, a value out of range) the
// message says what is wrong, in the program's words, and nothing is to be written.
std::variant<ConfigurationProfile, std::string> read_profile(std::string_view text,
                                                             DeviceModelType connected);

// The model's name as profiles and messages give it ("TK-52.A").
std::string_view profile_model_name(DeviceModelType model);

}  // namespace tk52

// DeviceModelType: which clock is on the line, decided by its identification reply. It selects
// the configuration layout, the readings and the journal functions of every page.
#pragma once

#include <string_view>

namespace tk52 {

using DeviceModelType = int;

namespace model {
inline constexpr DeviceModelType kUnknown = 0;
inline constexpr DeviceModelType kTk5200 = 1;  // "TK-52.00"
inline constexpr DeviceModelType kTk5201 = 2;  // "TK-52.01"
inline constexpr DeviceModelType kTk52A = 3;   // "TK-52.A "
inline constexpr DeviceModelType kTk53 = 4;    // "TK-53"
}  // namespace model

// The model type of an identification's model text (five or eight characters); 0 for any
// text that is not one of the four known models.
DeviceModelType model_type_from_name(std::string_view model_text);

// Types 3 and 4 carry the PPS fields and the four-digit software version.
constexpr bool has_pps_fields(DeviceModelType type) {
  return type == model::kTk52A || type == model::kTk53;
}

}  // namespace tk52

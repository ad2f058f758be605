// The clock's configuration as it keeps it: wire digits, not the configurator's list positions.
// The layout depends on the model: the TK-52.A and TK-53 add the PPS source and width.
#pragma once

#include <string>
#include <string_view>

#include "protocol/device_model.h"

namespace tk52::sim {

struct Configuration {
  int time_format = 2;        // 0..8
  int satellite_systems = 1;  // 0..3; 0 ("none") exists only on the PPS models
  int utc_reference = 2;      // 1 UTC(SU), 2 UTC(USNO)
  int heating = 0;            // 0..1
  int pps_source = 2;         // 0..2, PPS models only
  int pps_width = 100;        // 1..400, PPS models only

  friend bool operator==(const Configuration&, const Configuration&) = default;
};

// What a clock of this model holds after a factory reset.
Configuration default_configuration(DeviceModelType model);

// The fields of the configuration reply after "PKEXC,": "2,1,2,0" or "2,1,2,0,2,100".
std::string configuration_fields(const Configuration& config, DeviceModelType model);

// The result digit of a rejected write, sent as "$PKEXC,E<digit>". 5 is never used: the
// configurator reads "E5" as "OK".
namespace config_error {
inline constexpr int kFieldCount = 1;  // not the model's number of fields
inline constexpr int kTimeFormat = 2;
inline constexpr int kSatelliteSystems = 3;
inline constexpr int kUtcReference = 4;
inline constexpr int kHeating = 6;
inline constexpr int kPpsSource = 7;
inline constexpr int kPpsWidth = 8;
}  // namespace config_error

// Checks the fields of a write (the text after "PKEXC,", as "f,s,u,h[,p,www]") against the
// model's layout. Returns 0 and fills `out` when every field is valid, else the digit of the
// first bad field.
int parse_configuration(std::string_view fields, DeviceModelType model, Configuration& out);

}  // namespace tk52::sim

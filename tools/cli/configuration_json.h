// The six configuration fields as JSON keys, shared by decode's record and the config commands'
// output (a decoded DeviceConfiguration or the page's ConfigurationPositions: both carry them).
#pragma once

#include "json_writer.h"

namespace tk52::cli {

template <class Configuration>
JsonObject& add_configuration(JsonObject& json, const Configuration& c) {
  return json.add("time_stamp_format", c.time_stamp_format)
      .add("satellite_systems", c.satellite_systems)
      .add("utc_reference", c.utc_reference)
      .add("heating", c.heating)
      .add("pps_source", c.pps_source)
      .add("pps_width", c.pps_width);
}

}  // namespace tk52::cli

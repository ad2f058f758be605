// What the clock reports about itself in the extra-information reply: fix status, satellites,
// heating, temperature and position. Fields hold wire text; an empty text is an empty field.
#pragma once

#include <string>
#include <string_view>

#include "protocol/device_model.h"

namespace tk52::sim {

struct ExtraInfoSettings {
  char status = 'A';
  int satellites = 8;
  std::string heating = "1";
  std::string temperature = "23";
  std::string latitude = "5545.0012";  // DDMM.fraction
  std::string lat_hemisphere = "N";
  std::string longitude = "03737.5000";  // DDDMM.fraction
  std::string lon_hemisphere = "E";
  std::string altitude = "156.07";
};

// The PPS models have no heater and no thermometer: their replies leave both fields empty.
ExtraInfoSettings default_extra_info(DeviceModelType model);

// "PKEXS,A,08,1,23,5545.0012,N,03737.5000,E,156.07,M".
std::string extra_info_body(const ExtraInfoSettings& info);

// Parsers for the control values. Each accepts "none" for an empty field and returns false,
// leaving `info` unchanged, for text the clock could not send.
bool set_heating(ExtraInfoSettings& info, std::string_view text);
bool set_temperature(ExtraInfoSettings& info, std::string_view text);
bool set_latitude(ExtraInfoSettings& info, std::string_view text);   // "5545.0012N"
bool set_longitude(ExtraInfoSettings& info, std::string_view text);  // "03737.5E"
bool set_altitude(ExtraInfoSettings& info, std::string_view text);   // "-12.5"

}  // namespace tk52::sim

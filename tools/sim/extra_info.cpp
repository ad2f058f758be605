#include "extra_info.h"

#include "text_fields.h"

namespace tk52::sim {
namespace {

constexpr std::string_view kNone = "none";

bool all_digits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
  }
  return true;
}

// Up to `whole_digits` digits, then optionally "." and at least one digit.
bool is_decimal(std::string_view text, std::size_t whole_digits) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  if (whole.empty() || whole.size() > whole_digits || !all_digits(whole))
    return false;
  if (point == std::string_view::npos)
    return true;
  const std::string_view fraction = text.substr(point + 1);
  return !fraction.empty() && all_digits(fraction);
}

bool set_coordinate(std::string_view text, std::size_t whole_digits, std::string_view hemispheres,
                    std::string& value, std::string& hemisphere) {
  if (text == kNone) {
    value.clear();
    hemisphere.clear();
    return true;
  }
  if (text.empty() || hemispheres.find(text.back()) == std::string_view::npos)
    return false;
  const std::string_view number = text.substr(0, text.size() - 1);
  if (!is_decimal(number, whole_digits))
    return false;
  value = number;
  hemisphere = text.substr(text.size() - 1);
  return true;
}

}  // namespace

ExtraInfoSettings default_extra_info(DeviceModelType model) {
  ExtraInfoSettings info;
  if (has_pps_fields(model)) {
    info.heating.clear();
    info.temperature.clear();
  }
  return info;
}

std::string extra_info_body(const ExtraInfoSettings& info) {
  std::string body = "PKEXS,";
  body += info.status;
  body += ',' + zero_padded(static_cast<unsigned>(info.satellites), 2);
  body += ',' + info.heating;
  body += ',' + info.temperature;
  body += ',' + info.latitude + ',' + info.lat_hemisphere;
  body += ',' + info.longitude + ',' + info.lon_hemisphere;
  body += ',' + info.altitude + ',';
  if (!info.altitude.empty())
    body += 'M';
  return body;
}

bool set_heating(ExtraInfoSettings& info, std::string_view text) {
  if (text == kNone) {
    info.heating.clear();
  } else if (text == "0" || text == "1") {
    info.heating = text;
  } else {
    return false;
  }
  return true;
}

bool set_temperature(ExtraInfoSettings& info, std::string_view text) {
  int value = 0;
  if (text == kNone) {
    info.temperature.clear();
  } else if (parse_int(text, -99, 99, value)) {
    info.temperature = std::to_string(value);
  } else {
    return false;
  }
  return true;
}

bool set_latitude(ExtraInfoSettings& info, std::string_view text) {
  return set_coordinate(text, 4, "NS", info.latitude, info.lat_hemisphere);
}

bool set_longitude(ExtraInfoSettings& info, std::string_view text) {
  return set_coordinate(text, 5, "EW", info.longitude, info.lon_hemisphere);
}

bool set_altitude(ExtraInfoSettings& info, std::string_view text) {
  if (text == kNone) {
    info.altitude.clear();
    return true;
  }
  if (text.empty())
    return false;
  const std::string_view magnitude = text.substr(text.front() == '-' ? 1 : 0);
  if (!is_decimal(magnitude, 9))
    return false;
  info.altitude = text;
  return true;
}

}  // namespace tk52::sim

// The configuration's fields as the page shows them: option texts, the mapping between list
// positions and wire digits per model, and the defaults per model.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "protocol/device_model.h"
#include "protocol/requests.h"

namespace tk52 {

inline constexpr std::array<std::string_view, 9> kTimeStampFormatTexts = {
    "Нет (только прием)", "ТК-51",          "ТК-52", "ТК-52 (UNIX)", "GPZDA", "GPRMC", "GPGGA",
    "PPS (формат 1)",     "PPS (формат 2)",
};
// By wire digit; models 1 and 2 have no "Отсутствует" in their list.
inline constexpr std::array<std::string_view, 4> kSatelliteSystemTexts = {
    "Отсутствует",
    "ГЛОНАСС и GPS",
    "ГЛОНАСС",
    "GPS",
};
inline constexpr std::array<std::string_view, 2> kUtcReferenceTexts = {"UTC (SU)", "UTC (USNO)"};
inline constexpr std::array<std::string_view, 2> kHeatingTexts = {"Откл.", "Вкл."};
inline constexpr std::array<std::string_view, 3> kPpsSourceTexts = {
    "PPS от навигационного модуля",
    "PPS от формируемой шкалы",
    "Автоматический выбор",
};
inline constexpr int kPpsWidthMin = 1;
inline constexpr int kPpsWidthMax = 400;

// The configuration as the page holds it: list positions and the PPS width.
struct ConfigurationPositions {
  int time_stamp_format = 0;
  int satellite_systems = 0;
  int utc_reference = 0;
  int heating = 0;
  int pps_source = 0;
  int pps_width = 0;
};

// Satellite systems: position + 1 on models 1 and 2 (and 0), the position itself on 3 and 4.
int satellite_wire_digit(DeviceModelType model, int position);

// What a configuration write sends for the page's positions.
ConfigurationDigits to_wire(DeviceModelType model, const ConfigurationPositions& positions);

// The PPS width field's text as the write sends it: at most three characters, digits only,
// padded on the left with "0" ("5" becomes 5, sent as "005"). Anything else reads as 0.
int pps_width_from_text(std::string_view text);

struct ConfigurationDefaults {
  ConfigurationPositions positions;
  bool sets_pps_width;  // models 1, 2 and 0 leave the width as it is
};
ConfigurationDefaults configuration_defaults(DeviceModelType model);

// Time synchronisation is possible only while the clock sends "ТК-52" or "ТК-52 (UNIX)".
constexpr bool sync_available_for(int time_stamp_format) {
  return time_stamp_format == 2 || time_stamp_format == 3;
}

}  // namespace tk52

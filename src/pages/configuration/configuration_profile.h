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

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

#include "pages/configuration/configuration_options.h"
#include "protocol/device_model.h"

namespace tk52 {

// A profile is a few hundred bytes of a regular file: anything much larger, or anything that is
// not a regular file (a device, a pipe), is refused before it is read.
inline constexpr std::size_t kLargestProfile = 1 << 20;
inline constexpr std::string_view kProfileTooLarge =
    "Файл слишком велик для файла конфигурации (больше 1 МБ).";
inline constexpr std::string_view kProfileNotAFile =
    "Конфигурацию можно загрузить только из обычного файла, а не из устройства или канала.";

struct ConfigurationProfile {
  DeviceModelType model = DeviceModelType::kUnknown;
  ConfigurationPositions configuration;  // list positions as on the page for that model
};

// The profile's text. `saved_utc` is the date written, ISO 8601 ("2026-12-10T12:00:00Z").
std::string profile_text(const ConfigurationProfile& profile, std::string_view saved_utc);

// Reads a profile for a clock of model `connected`. On any fault (not JSON, cut short, not a
// profile, another model, a field the model does not have or lacks, a value out of range) the
// message says what is wrong, in the program's words, and nothing is to be written. The text is
// checked before any value is built from it: UTF-8 without NUL bytes, at most kLargestProfile
// bytes, nested no deeper than a profile is, no key twice in one object, finite numbers.
std::variant<ConfigurationProfile, std::string> read_profile(std::string_view text,
                                                             DeviceModelType connected);

// A profile file's text, or why it was not read: `refusal` is empty when `text` is the file's.
// A device or a pipe is refused before it is opened (a read from either could wait for ever), and
// so is a file larger than any profile; `error` is the system's reason when opening or reading
// failed ("Не удалось открыть файл.").
struct ProfileFile {
  std::string text = {};
  std::string refusal = {};
  std::error_code error = {};
};
ProfileFile read_profile_file(const std::filesystem::path& path);

// The model's name as profiles and messages give it ("TK-52.A").
std::string_view profile_model_name(DeviceModelType model);

}  // namespace tk52

// Feeds arbitrary bytes to the configuration profile reader, as "Загрузить конфигурацию..." and
// tk52cli config apply do: any nesting, encoding, NUL bytes, repeated keys, numbers of any size.
// Reading must be safe, and a profile it accepts must come back the same through the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "pages/configuration/configuration_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the connected model (0 is none yet).
  const tk52::DeviceModelType connected = tk52::model_from_number(data[0] % 5);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto read = tk52::read_profile(text, connected);
  const auto* profile = std::get_if<tk52::ConfigurationProfile>(&read);
  if (profile == nullptr)
    return 0;
  const auto again =
      tk52::read_profile(tk52::profile_text(*profile, "2026-12-10T12:00:00Z"), connected);
  const auto* same = std::get_if<tk52::ConfigurationProfile>(&again);
  const tk52::ConfigurationPositions& a = profile->configuration;
  if (same == nullptr || same->model != profile->model ||
      same->configuration.time_stamp_format != a.time_stamp_format ||
      same->configuration.satellite_systems != a.satellite_systems ||
      (tk52::has_pps_fields(profile->model)
           ? same->configuration.pps_source != a.pps_source ||
                 same->configuration.pps_width != a.pps_width
           : same->configuration.utc_reference != a.utc_reference ||
                 same->configuration.heating != a.heating)) {
    std::abort();
  }
  return 0;
}

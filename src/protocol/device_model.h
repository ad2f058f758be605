// DeviceModelType: which clock is on the line, decided by its identification reply. It selects
// the configuration layout, the readings and the journal functions of every page.
#pragma once

#include <cstddef>
#include <string_view>

namespace tk52 {

// The numbers are the ones the program's files and tk52cli's output carry ("model_type":3).
enum class DeviceModelType : int {
  kUnknown = 0,
  kTk5200 = 1,  // "TK-52.00"
  kTk5201 = 2,  // "TK-52.01"
  kTk52A = 3,   // "TK-52.A "
  kTk53 = 4,    // "TK-53"
};

constexpr int model_number(DeviceModelType type) {
  return static_cast<int>(type);
}
// The type of a number 0..4; kUnknown for any other number.
constexpr DeviceModelType model_from_number(int number) {
  return number >= 0 && number <= 4 ? static_cast<DeviceModelType>(number)
                                    : DeviceModelType::kUnknown;
}

// The model type of an identification's model text (five or eight characters); kUnknown for
// any text that is not one of the four known models.
DeviceModelType model_type_from_name(std::string_view model_text);
// The same for a record's NUL-padded field, read no further than its size.
template <std::size_t N>
DeviceModelType model_type_from_name(const char (&model)[N]) {
  std::size_t size = 0;
  while (size < N && model[size] != '\0')
    ++size;
  return model_type_from_name(std::string_view(model, size));
}

// Types 3 and 4 carry the PPS fields and the four-digit software version.
constexpr bool has_pps_fields(DeviceModelType type) {
  return type == DeviceModelType::kTk52A || type == DeviceModelType::kTk53;
}

}  // namespace tk52

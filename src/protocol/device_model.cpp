#include "protocol/device_model.h"

#include <array>

namespace tk52 {

DeviceModelType model_type_from_name(std::string_view model_text) {
  constexpr std::array<std::string_view, 4> kKnown = {"TK-52.00", "TK-52.01", "TK-52.A ", "TK-53"};
  for (std::size_t i = 0; i < kKnown.size(); ++i) {
    if (model_text == kKnown[i])
      return model_from_number(static_cast<int>(i) + 1);
  }
  return DeviceModelType::kUnknown;
}

}  // namespace tk52

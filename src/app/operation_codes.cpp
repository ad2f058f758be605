#include "app/operation_codes.h"

#include <array>

namespace tk52 {

std::string_view status_text(int index) {
  constexpr std::array<std::string_view, 8> kTexts = {
      "Соединение...",
      "Поиск устройства...",
      "Смена скорости обмена...",
      "Чтение параметров...",
      "Запись параметров...",
      "Запрос информации...",
      "Запрос самодиагностики...",
      "Синхронизация...",
  };
  if (index < 0 || index >= static_cast<int>(kTexts.size()))
    return {};
  return kTexts[static_cast<std::size_t>(index)];
}

}  // namespace tk52

#include "pages/monitoring/self_test_texts.h"

#include <array>

#include "protocol/records.h"

namespace tk52 {
namespace {

constexpr std::array<std::string_view, 6> kShortTexts = {
    "Производится сброс приемного модуля.",
    "Ошибка при конфигурировании начальных параметров приемного модуля.",
    "Ошибка при конфигурировании параметра приемного модуля \"Используемая СНС\".",
    "Ошибка при конфигурировании параметра приемного модуля \"Время UTC\".",
    "Нет данных от приемного модуля.",
    // Kept as the clock's documentation has always printed it into the traffic log.
    "Шибок не обнаружено. Радиочасы готовы к работе.",
};
constexpr std::string_view kOkLongText = "Ошибок не обнаружено. Радиочасы готовы к работе.";
constexpr std::string_view kUnknownText =
    "Код не описан в документации радиочасов. Обратитесь к изготовителю.";

}  // namespace

std::string self_test_code_text(int code) {
  if (code == kDeviceCodeOk)
    return "OK";
  std::string text = "E";
  text += std::to_string(code);
  return text;
}

std::string_view self_test_short_text(int code) {
  if (code < 0 || code >= static_cast<int>(kShortTexts.size()))
    return kUnknownText;
  return kShortTexts[static_cast<std::size_t>(code)];
}

std::string self_test_long_text(int code) {
  const std::string_view explanation =
      code == kDeviceCodeOk ? kOkLongText : self_test_short_text(code);
  std::string text = "Код самодиагностики - ";
  text += self_test_code_text(code);
  text += ".\r\n";
  text += explanation;
  return text;
}

}  // namespace tk52

#include "protocol/result_codes.h"

#include <array>

namespace tk52 {
namespace {

constexpr std::string_view kErrorTitle = "Ошибка!";
constexpr std::string_view kProtocolTitle = "Ошибка протокола!";

struct Row {
  ResultCode code;
  std::string_view title;
  std::string_view text;
};

constexpr std::array<Row, 12> kMessages = {{
    {result::kNotPerformed, kErrorTitle, "Операция не выполнена."},
    {result::kPortNotOpen, kErrorTitle, "Не удалось открыть порт."},
    {result::kCloseFailed, kErrorTitle, "Не удалось закрыть порт."},
    {result::kReadFailed, kErrorTitle, "Не удалось прочитать данные из порта."},
    {result::kWriteFailed, kErrorTitle, "Не удалось записать данные в порт."},
    {result::kSpeedChangeFailed, kErrorTitle, "Не удалось сменить скорость порта."},
    {result::kNoReply, kErrorTitle, "Нет ответа на запрос."},
    {result::kBadField, kProtocolTitle, "Предложение содержит неверные данные."},
    {result::kBadChecksum, kProtocolTitle, "Контрольная сумма не совпала."},
    {result::kBadCrc, kProtocolTitle, "CRC не совпала."},
    {result::kNotProcessed, "Ошибка системы/конфигуратора!", "Предложение не обработано."},
    {result::kPostFailed, "Системная ошибка!", "Не достаточно ресурсов системы."},
}};

}  // namespace

ResultMessage result_message(ResultCode code) {
  if (code == result::kPortOk || code == result::kSilent || code == result::kOk) {
    return {false, {}, {}};
  }
  for (const Row& row : kMessages) {
    if (row.code == code)
      return {true, row.title, row.text};
  }
  return {true, kErrorTitle, "Неизвестная ошибка."};
}

}  // namespace tk52

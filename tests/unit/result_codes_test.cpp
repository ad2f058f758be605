#include "protocol/result_codes.h"

#include <gtest/gtest.h>

namespace tk52 {
namespace {

TEST(ResultMessages, Table) {
  struct {
    ResultCode code;
    bool shown;
    const char* title;
    const char* text;
  } cases[] = {
      {0, false, "", ""},
      {8, false, "", ""},
      {0x1000, false, "", ""},
      {1, true, "Ошибка!", "Операция не выполнена."},
      {2, true, "Ошибка!", "Не удалось открыть порт."},
      {3, true, "Ошибка!", "Не удалось закрыть порт."},
      {4, true, "Ошибка!", "Не удалось прочитать данные из порта."},
      {5, true, "Ошибка!", "Не удалось записать данные в порт."},
      {6, true, "Ошибка!", "Не удалось сменить скорость порта."},
      {7, true, "Ошибка!", "Нет ответа на запрос."},
      {9, true, "Ошибка!", "Неизвестная ошибка."},
      {0x1001, true, "Ошибка протокола!", "Предложение содержит неверные данные."},
      {0x1002, true, "Ошибка протокола!", "Контрольная сумма не совпала."},
      {0x1003, true, "Ошибка протокола!", "CRC не совпала."},
      {0x1004, true, "Ошибка системы/конфигуратора!", "Предложение не обработано."},
      {0x1005, true, "Системная ошибка!", "Не достаточно ресурсов системы."},
      {0x1006, true, "Ошибка!", "Неизвестная ошибка."},
  };
  for (const auto& c : cases) {
    const ResultMessage m = result_message(c.code);
    EXPECT_EQ(m.shown, c.shown) << c.code;
    EXPECT_EQ(m.title, c.title) << c.code;
    EXPECT_EQ(m.text, c.text) << c.code;
  }
  EXPECT_TRUE(succeeded(0));
  EXPECT_TRUE(succeeded(0x1000));
  EXPECT_FALSE(succeeded(8));
}

}  // namespace
}  // namespace tk52

// The message catalogue: every result code has its box, blanks are filled, and each entry carries
// what the help needs.
#include "app/messages.h"

#include <gtest/gtest.h>

#include <set>

namespace tk52 {
namespace {

TEST(Messages, EveryResultCodeHasItsBox) {
  struct {
    ResultCode code;
    const char* title;
    const char* text;
  } cases[] = {
      {0, "", ""},
      {8, "", ""},
      {0x1000, "", ""},
      {1, "Ошибка!", "Операция не выполнена."},
      {2, "Ошибка!", "Не удалось открыть порт."},
      {3, "Ошибка!", "Не удалось закрыть порт."},
      {4, "Ошибка!", "Не удалось прочитать данные из порта."},
      {5, "Ошибка!", "Не удалось записать данные в порт."},
      {6, "Ошибка!", "Не удалось сменить скорость порта."},
      {7, "Ошибка!", "Нет ответа на запрос."},
      {9, "Ошибка!", "Неизвестная ошибка."},
      {0x1001, "Ошибка протокола!", "Предложение содержит неверные данные."},
      {0x1002, "Ошибка протокола!", "Контрольная сумма не совпала."},
      {0x1003, "Ошибка протокола!", "CRC не совпала."},
      {0x1004, "Ошибка системы/конфигуратора!", "Предложение не обработано."},
      {0x1005, "Системная ошибка!", "Не достаточно ресурсов системы."},
      {0x1006, "Ошибка!", "Неизвестная ошибка."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const MessageId id = result_message_id(c.code);
    if (*c.text == '\0') {
      EXPECT_EQ(id, MessageId::kNone);
      continue;
    }
    EXPECT_EQ(message_entry(id).title, c.title);
    EXPECT_EQ(message_text({.id = id}), c.text);
  }
  EXPECT_TRUE(succeeded(0));
  EXPECT_TRUE(succeeded(0x1000));
  EXPECT_FALSE(succeeded(8));
}

TEST(Messages, BlanksAreFilledAndEveryEntryIsComplete) {
  EXPECT_EQ(message_text({.id = MessageId::kDeviceNotFound, .port = "tcp://10.0.0.7:4001"}),
            "Не удалось обнаружить устройство ТК на tcp://10.0.0.7:4001.");
  EXPECT_EQ(message_text({.id = MessageId::kDeviceGone, .port = "COM7"}),
            "Устройство отключено от порта COM7.");
  EXPECT_EQ(message_text({.id = MessageId::kProfileRefused, .detail = "Файл {port} пуст."}),
            "Файл {port} пуст.");
  std::set<std::string_view> texts;
  for (const MessageEntry& entry : message_catalogue()) {
    SCOPED_TRACE(entry.text);
    EXPECT_FALSE(entry.section.empty());
    EXPECT_FALSE(entry.title.empty());
    EXPECT_FALSE(entry.advice.empty());
    EXPECT_EQ(&message_entry(entry.id), &entry);
    if (entry.text != "{detail}") {
      EXPECT_TRUE(texts.insert(entry.text).second) << "the same text twice";
    }
  }
}

}  // namespace
}  // namespace tk52

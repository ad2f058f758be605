// Configuration profiles: every model's configuration survives the file, and a file that does
// not suit the connected clock is refused with a message that says why.
#include "pages/configuration/configuration_profile.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace tk52 {
namespace {

using Model = DeviceModelType;

std::string refusal(std::string_view text, Model connected) {
  const auto read = read_profile(text, connected);
  const std::string* message = std::get_if<std::string>(&read);
  return message != nullptr ? *message : std::string("(accepted)");
}

TEST(ConfigurationProfile, EveryModelsConfigurationSurvivesTheFile) {
  const struct {
    Model model;
    ConfigurationPositions positions;
  } cases[] = {
      {Model::kTk5200, {4, 2, 1, 1, 0, 0}},
      {Model::kTk5201, {8, 0, 0, 0, 0, 0}},
      {Model::kTk52A, {3, 0, 0, 0, 2, 400}},
      {Model::kTk53, {0, 3, 0, 0, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(model_number(c.model));
    const std::string text = profile_text({c.model, c.positions}, "2026-12-10T12:00:00Z");
    EXPECT_NE(text.find("\"saved\": \"2026-12-10T12:00:00Z\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"program\": \"tk52cfg "), std::string::npos) << text;
    const auto read = read_profile(text, c.model);
    ASSERT_TRUE(std::holds_alternative<ConfigurationProfile>(read)) << std::get<std::string>(read);
    const ConfigurationPositions& got = std::get<ConfigurationProfile>(read).configuration;
    EXPECT_EQ(got.time_stamp_format, c.positions.time_stamp_format);
    EXPECT_EQ(got.satellite_systems, c.positions.satellite_systems);
    if (has_pps_fields(c.model)) {
      EXPECT_EQ(got.pps_source, c.positions.pps_source);
      EXPECT_EQ(got.pps_width, c.positions.pps_width);
      EXPECT_EQ(text.find("heating"), std::string::npos) << text;
    } else {
      EXPECT_EQ(got.utc_reference, c.positions.utc_reference);
      EXPECT_EQ(got.heating, c.positions.heating);
      EXPECT_EQ(text.find("pps_"), std::string::npos) << text;
    }
  }
  // The fields by their meaning: the page's texts.
  const std::string text = profile_text({Model::kTk5200, {4, 2, 1, 1, 0, 0}}, "x");
  EXPECT_NE(text.find("\"satellite_systems\": \"GPS\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"utc_reference\": \"UTC (USNO)\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"heating\": \"Вкл.\""), std::string::npos) << text;
}

TEST(ConfigurationProfile, AFileThatDoesNotSuitTheClockIsRefused) {
  const std::string a = profile_text({Model::kTk52A, {3, 0, 0, 0, 2, 100}}, "x");
  const std::string zero = profile_text({Model::kTk5200, {4, 2, 1, 1, 0, 0}}, "x");
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const struct {
    const char* legend;
    std::string text;
    Model connected;
    const char* message;
  } cases[] = {
      {"cut short", a.substr(0, a.size() / 2), Model::kTk52A,
       "Файл не является файлом конфигурации: он повреждён или обрезан."},
      {"empty", "", Model::kTk52A,
       "Файл не является файлом конфигурации: он повреждён или обрезан."},
      {"another JSON", "{\"a\": 1}", Model::kTk52A, "Файл не является файлом конфигурации ТК-52."},
      {"another model", a, Model::kTk53,
       "Конфигурация сохранена для модели TK-52.A, а подключена модель TK-53."},
      {"no clock yet", a, Model::kUnknown,
       "Модель часов не определена: сначала подключитесь к часам."},
      {"a field the model lacks",
       replaced(a, "\"pps_width\"", "\"heating\": \"Вкл.\",\n    \"pps_width\""), Model::kTk52A,
       "Поле «heating» не поддерживается моделью TK-52.A."},
      {"a field missing", replaced(zero, "\"utc_reference\": \"UTC (USNO)\",", ""), Model::kTk5200,
       "В файле конфигурации нет поля «utc_reference»."},
      {"width out of range", replaced(a, "\"pps_width\": 100", "\"pps_width\": 401"), Model::kTk52A,
       "Недопустимое значение поля «pps_width»: 401 (допустимо от 1 до 400)."},
      {"width not a whole number", replaced(a, "\"pps_width\": 100", "\"pps_width\": 1.5"),
       Model::kTk52A, "Недопустимое значение поля «pps_width»: 1.5 (допустимо от 1 до 400)."},
      {"a text no list has", replaced(a, "\"ТК-52 (UNIX)\"", "\"ТК-99\""), Model::kTk52A,
       "Недопустимое значение поля «time_stamp_format»: \"ТК-99\"."},
      // Models 1 and 2 have no "Отсутствует" in their satellite list.
      {"a text the model's list lacks", replaced(zero, "\"GPS\"", "\"Отсутствует\""),
       Model::kTk5200, "Недопустимое значение поля «satellite_systems»: \"Отсутствует\"."},
      {"an unknown model type", replaced(a, "\"model_type\": 3", "\"model_type\": 7"),
       Model::kTk52A, "В файле конфигурации неизвестный тип модели."},
      {"a later format", replaced(a, "\"format_version\": 1", "\"format_version\": 2"),
       Model::kTk52A, "Версия файла конфигурации не поддерживается."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(refusal(c.text, c.connected), c.message);
  }
}

}  // namespace
}  // namespace tk52

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

// Hostile or foreign files: each is refused with what is wrong, never a crash, and what is quoted
// back from the file is escaped and short.
TEST(ConfigurationProfile, AHostileFileIsRefusedWithWhatIsWrong) {
  const std::string a = profile_text({Model::kTk52A, {3, 0, 0, 0, 2, 100}}, "x");
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  auto nested = [](std::size_t depth) {
    return "{\"x\":" + std::string(depth, '[') + std::string(depth, ']') +
           ",\"format\":\"tk52cfg-configuration\"}";
  };
  const std::string too_deep =
      "Файл не является файлом конфигурации: значения в нём вложены слишком глубоко.";
  const std::string in_1251 = replaced(a, "\"ТК-52 (UNIX)\"", "\"\xD2\xCA-52 (UNIX)\"");
  std::string utf16;
  for (const char c : std::string("{\"format\": 1}")) {
    utf16 += c;
    utf16 += '\0';
  }
  const std::string long_key(500'000, 'k');
  const struct {
    const char* legend;
    std::string text;
    std::string message;
  } cases[] = {
      {"nested 20,000 deep", nested(20'000), too_deep},
      {"nested 400,000 deep", nested(400'000), too_deep},
      {"nested a million deep", nested(1'000'000), std::string(kProfileTooLarge)},
      {"nested in the configuration",
       replaced(a, "\"pps_width\": 100", "\"pps_width\": [[[[[[[[1]]]]]]]]"), too_deep},
      {"Windows-1251", in_1251,
       "Файл конфигурации не в кодировке UTF-8 (байт " + std::to_string(in_1251.find('\xD2') + 1) +
           "): сохраните его в UTF-8."},
      {"UTF-16", "\xFF\xFE" + utf16,
       "Файл конфигурации записан в кодировке UTF-16, а должен быть в UTF-8."},
      {"UTF-16 without a mark", utf16,
       "Файл конфигурации записан в кодировке UTF-16, а должен быть в UTF-8."},
      {"bytes after a NUL", a + std::string("\0{}", 3),
       "Файл не является файлом конфигурации: в нём есть нулевые байты."},
      {"a number past a double", replaced(a, "\"pps_width\": 100", "\"pps_width\": 1e309"),
       "Файл не является файлом конфигурации: в нём есть значение, которое не является конечным "
       "числом (1e309)."},
      {"NaN", replaced(a, "\"pps_width\": 100", "\"pps_width\": NaN"),
       "Файл не является файлом конфигурации: в нём есть значение, которое не является конечным "
       "числом (NaN)."},
      {"minus infinity", replaced(a, "\"pps_width\": 100", "\"pps_width\": -Infinity"),
       "Файл не является файлом конфигурации: в нём есть значение, которое не является конечным "
       "числом (-Infinity)."},
      {"not a number at all", replaced(a, "\"pps_width\": 100", "\"pps_width\": Nope"),
       "Файл не является файлом конфигурации: он повреждён или обрезан."},
      {"a key twice", replaced(a, "\"pps_width\": 100", "\"pps_width\": 100, \"pps_width\": 5"),
       "В файле конфигурации поле «pps_width» повторяется."},
      {"the model type as a fraction", replaced(a, "\"model_type\": 3", "\"model_type\": 3.0"),
       "Тип модели в файле конфигурации должен быть целым числом, а не 3.0."},
      {"the model type as a text", replaced(a, "\"model_type\": 3", "\"model_type\": \"3\""),
       "Тип модели в файле конфигурации должен быть целым числом, а не \"3\"."},
      {"the model type as a truth", replaced(a, "\"model_type\": 3", "\"model_type\": true"),
       "Тип модели в файле конфигурации должен быть целым числом, а не true."},
      {"a key with control characters",
       replaced(a, "\"pps_width\"", "\"\\u001b[2J\": 1,\n    \"pps_width\""),
       "Поле «\\x1B[2J» не поддерживается моделью TK-52.A."},
      {"a 500 KB key", replaced(a, "\"pps_width\"", "\"" + long_key + "\": 1,\n \"pps_width\""),
       "Поле «" + long_key.substr(0, 40) + "…» не поддерживается моделью TK-52.A."},
      {"a value that is a list", replaced(a, "\"ТК-52 (UNIX)\"", "[1, 2]"),
       "Недопустимое значение поля «time_stamp_format»: […]."},
      {"larger than any profile", a + std::string(kLargestProfile, ' '),
       std::string(kProfileTooLarge)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(refusal(c.text, Model::kTk52A), c.message);
  }
  // A UTF-8 mark in front of a sound profile is no fault.
  EXPECT_EQ(refusal("\xEF\xBB\xBF" + a, Model::kTk52A), "(accepted)");
}

}  // namespace
}  // namespace tk52

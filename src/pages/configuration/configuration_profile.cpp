#include "pages/configuration/configuration_profile.h"

#include <nlohmann/json.hpp>

#include <array>
#include <span>
#include <vector>

#include "tk52_version.h"

namespace tk52 {
namespace {

using json = nlohmann::ordered_json;

constexpr std::string_view kFormat = "tk52cfg-configuration";
constexpr int kFormatVersion = 1;

// One list field: its name in the file, its texts by list position for the model.
struct ListField {
  const char* name;
  int ConfigurationPositions::*position;
  std::vector<std::string_view> texts;
};

std::vector<std::string_view> texts_of(std::span<const std::string_view> all,
                                       std::size_t first = 0) {
  return {all.begin() + static_cast<std::ptrdiff_t>(first), all.end()};
}

// The list fields a model has; the PPS width is a number of its own on models 3 and 4.
std::vector<ListField> list_fields(DeviceModelType model) {
  const bool pps = has_pps_fields(model);
  std::vector<ListField> fields = {
      {"time_stamp_format", &ConfigurationPositions::time_stamp_format,
       texts_of(kTimeStampFormatTexts)},
      // Models 1 and 2 have no "Отсутствует": their position 0 is the wire's 1.
      {"satellite_systems", &ConfigurationPositions::satellite_systems,
       texts_of(kSatelliteSystemTexts, pps ? 0 : 1)},
  };
  if (pps) {
    fields.push_back(
        {"pps_source", &ConfigurationPositions::pps_source, texts_of(kPpsSourceTexts)});
  } else {
    fields.push_back(
        {"utc_reference", &ConfigurationPositions::utc_reference, texts_of(kUtcReferenceTexts)});
    fields.push_back({"heating", &ConfigurationPositions::heating, texts_of(kHeatingTexts)});
  }
  return fields;
}

std::string in_quotes(std::string_view name) {
  return "«" + std::string(name) + "»";
}

}  // namespace

std::string_view profile_model_name(DeviceModelType model) {
  switch (model) {
    case DeviceModelType::kTk5200:
      return "TK-52.00";
    case DeviceModelType::kTk5201:
      return "TK-52.01";
    case DeviceModelType::kTk52A:
      return "TK-52.A";
    case DeviceModelType::kTk53:
      return "TK-53";
    case DeviceModelType::kUnknown:
      break;
  }
  return "?";
}

std::string profile_text(const ConfigurationProfile& profile, std::string_view saved_utc) {
  json configuration = json::object();
  for (const ListField& field : list_fields(profile.model)) {
    const int position = profile.configuration.*field.position;
    if (position >= 0 && static_cast<std::size_t>(position) < field.texts.size())
      configuration[field.name] = field.texts[static_cast<std::size_t>(position)];
  }
  if (has_pps_fields(profile.model))
    configuration["pps_width"] = profile.configuration.pps_width;
  json file = json::object();
  file["format"] = kFormat;
  file["format_version"] = kFormatVersion;
  file["program"] = "tk52cfg " TK52_VERSION_TEXT;
  file["saved"] = saved_utc;
  file["model_type"] = model_number(profile.model);
  file["model"] = profile_model_name(profile.model);
  file["configuration"] = configuration;
  return file.dump(2) + "\n";
}

std::variant<ConfigurationProfile, std::string> read_profile(std::string_view text,
                                                             DeviceModelType connected) {
  const json file = json::parse(text, nullptr, false);
  if (file.is_discarded() || !file.is_object())
    return std::string("Файл не является файлом конфигурации: он повреждён или обрезан.");
  const auto format = file.find("format");
  if (format == file.end() || !format->is_string() || format->get<std::string>() != kFormat)
    return std::string("Файл не является файлом конфигурации ТК-52.");
  const auto version = file.find("format_version");
  if (version == file.end() || !version->is_number_integer() ||
      version->get<long long>() != kFormatVersion) {
    return std::string("Версия файла конфигурации не поддерживается.");
  }
  const auto type = file.find("model_type");
  if (type == file.end() || !type->is_number_integer())
    return std::string("В файле конфигурации нет типа модели.");
  const long long number = type->get<long long>();
  const DeviceModelType model = number >= 1 && number <= 4
                                    ? model_from_number(static_cast<int>(number))
                                    : DeviceModelType::kUnknown;
  if (model == DeviceModelType::kUnknown)
    return std::string("В файле конфигурации неизвестный тип модели.");
  if (connected == DeviceModelType::kUnknown)
    return std::string("Модель часов не определена: сначала подключитесь к часам.");
  if (model != connected) {
    return "Конфигурация сохранена для модели " + std::string(profile_model_name(model)) +
           ", а подключена модель " + std::string(profile_model_name(connected)) + ".";
  }
  const auto fields = file.find("configuration");
  if (fields == file.end() || !fields->is_object())
    return std::string("В файле конфигурации нет раздела «configuration».");

  ConfigurationProfile profile;
  profile.model = model;
  const std::vector<ListField> lists = list_fields(model);
  const bool pps = has_pps_fields(model);
  for (const auto& [name, value] : fields->items()) {
    bool known = name == "pps_width" && pps;
    for (const ListField& field : lists)
      known = known || name == field.name;
    if (!known) {
      return "Поле " + in_quotes(name) + " не поддерживается моделью " +
             std::string(profile_model_name(model)) + ".";
    }
  }
  for (const ListField& field : lists) {
    const auto value = fields->find(field.name);
    if (value == fields->end())
      return "В файле конфигурации нет поля " + in_quotes(field.name) + ".";
    int position = -1;
    if (value->is_string()) {
      const std::string wanted = value->get<std::string>();
      for (std::size_t i = 0; i < field.texts.size(); ++i) {
        if (field.texts[i] == wanted)
          position = static_cast<int>(i);
      }
    }
    if (position < 0) {
      return "Недопустимое значение поля " + in_quotes(field.name) + ": " + value->dump() + ".";
    }
    profile.configuration.*field.position = position;
  }
  if (pps) {
    const auto width = fields->find("pps_width");
    if (width == fields->end())
      return "В файле конфигурации нет поля " + in_quotes("pps_width") + ".";
    if (!width->is_number_integer() || width->get<long long>() < kPpsWidthMin ||
        width->get<long long>() > kPpsWidthMax) {
      return "Недопустимое значение поля " + in_quotes("pps_width") + ": " + width->dump() +
             " (допустимо от " + std::to_string(kPpsWidthMin) + " до " +
             std::to_string(kPpsWidthMax) + ").";
    }
    profile.configuration.pps_width = static_cast<int>(width->get<long long>());
  }
  return profile;
}

}  // namespace tk52

#include "pages/configuration/configuration_profile.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
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

// What is quoted back from a file is its own text: control characters are shown escaped and a
// long text is cut, so a hostile key or value can neither drive the terminal nor flood the box.
std::string excerpt(std::string_view text) {
  constexpr std::size_t kLongest = 40;  // characters
  std::string out;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80 && ++characters > kLongest) {
      out += "…";
      break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

std::string in_quotes(std::string_view name) {
  return "«" + excerpt(name) + "»";
}

// A value as the file has it, never a container's whole text.
std::string value_excerpt(const json& value) {
  if (value.is_array())
    return "[…]";
  if (value.is_object())
    return "{…}";
  return excerpt(value.dump(-1, ' ', false, json::error_handler_t::replace));
}

constexpr std::string_view kCorrupt =
    "Файл не является файлом конфигурации: он повреждён или обрезан.";

// Where the first byte that is not UTF-8 is, or npos.
std::size_t first_non_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    unsigned int lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      lowest = 0x10000;
    } else if (lead >= 0x80) {
      return i;
    }
    if (length > 1) {
      if (i + length > text.size())
        return i;
      unsigned int code = lead & (0x7F >> length);
      for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
          return i;
        code = (code << 6) | (next & 0x3F);
      }
      if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

// The deepest nesting a profile may have: it is an object holding one flat object.
constexpr int kDeepest = 4;

// A first pass over the text, before any value is built: the nesting stays shallow (so neither
// building nor copying a value can exhaust the stack), no object repeats a key, and every
// number is finite. `refusal` says what is wrong when the pass stops.
class ProfileShape final : public nlohmann::json_sax<json> {
 public:
  explicit ProfileShape(std::string_view text) : text_(text) {}

  std::string refusal;

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override {
    keys_.emplace_back();
    return deeper();
  }
  bool key(string_t& name) override {
    if (keys_.back().insert(name).second)
      return true;
    refusal = "В файле конфигурации поле " + in_quotes(name) + " повторяется.";
    return false;
  }
  bool end_object() override {
    keys_.pop_back();
    --depth_;
    return true;
  }
  bool start_array(std::size_t) override { return deeper(); }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& error) override {
    // A number too large for a double is refused by the parser; JSON has no NaN or infinity,
    // which are invalid literals there, the word around where the parser stopped.
    std::string number = error.id == 406 ? token : std::string();
    if (number.empty() && position >= 1 && position <= text_.size()) {
      auto in_word = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
      std::size_t begin = position - 1;
      while (begin > 0 && in_word(text_[begin - 1]))
        --begin;
      if (begin > 0 && (text_[begin - 1] == '-' || text_[begin - 1] == '+'))
        --begin;
      std::size_t end = position - 1;
      while (end < text_.size() && in_word(text_[end]))
        ++end;
      const std::string_view word = text_.substr(begin, end - begin);
      std::string bare;  // the word without its sign, in lower case
      for (const char c : word)
        if (c != '-' && c != '+')
          bare += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (bare == "nan" || bare == "inf" || bare == "infinity")
        number = word;
    }
    refusal = number.empty() ? std::string(kCorrupt)
                             : "Файл не является файлом конфигурации: в нём есть значение, "
                               "которое не является конечным числом (" +
                                   excerpt(number) + ").";
    return false;
  }

 private:
  bool deeper() {
    if (++depth_ <= kDeepest)
      return true;
    refusal = "Файл не является файлом конфигурации: значения в нём вложены слишком глубоко.";
    return false;
  }

  std::string_view text_;
  int depth_ = 0;
  std::vector<std::set<std::string>> keys_;
};

// Why the text cannot be a profile at all, before it is parsed; empty when it may be one.
std::string text_refusal(std::string_view text) {
  if (text.size() > kLargestProfile)
    return std::string(kProfileTooLarge);
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
      (text.size() >= 2 && (text[0] == '\0' || text[1] == '\0'))) {
    return "Файл конфигурации записан в кодировке UTF-16, а должен быть в UTF-8.";
  }
  if (text.find('\0') != std::string_view::npos)
    return "Файл не является файлом конфигурации: в нём есть нулевые байты.";
  if (const std::size_t at = first_non_utf8(text); at != std::string_view::npos) {
    return "Файл конфигурации не в кодировке UTF-8 (байт " + std::to_string(at + 1) +
           "): сохраните его в UTF-8.";
  }
  ProfileShape shape(text);
  if (!json::sax_parse(text, &shape))
    return shape.refusal.empty() ? std::string(kCorrupt) : shape.refusal;
  return {};
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

ProfileFile read_profile_file(const std::filesystem::path& path) {
  constexpr std::string_view kCannotOpen = "Не удалось открыть файл.";
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error)
    return {.refusal = std::string(kCannotOpen), .error = error};
  if (!std::filesystem::is_regular_file(status))
    return {.refusal = std::string(kProfileNotAFile)};
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size > kLargestProfile)
    return {.refusal = std::string(kProfileTooLarge)};
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return {.refusal = std::string(kCannotOpen),
            .error = std::make_error_code(std::errc::permission_denied)};
  }
  // The size was asked before the file was opened: the read stays bounded whatever it is now.
  std::string text(kLargestProfile + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad())
    return {.refusal = std::string(kCannotOpen),
            .error = std::make_error_code(std::errc::io_error)};
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kLargestProfile)
    return {.refusal = std::string(kProfileTooLarge)};
  return {.text = std::move(text)};
}

std::variant<ConfigurationProfile, std::string> read_profile(std::string_view text,
                                                             DeviceModelType connected) {
  if (std::string refused = text_refusal(text); !refused.empty())
    return refused;
  const json file = json::parse(text, nullptr, false);
  if (file.is_discarded() || !file.is_object())
    return std::string(kCorrupt);
  const auto format = file.find("format");
  if (format == file.end() || !format->is_string() || format->get<std::string>() != kFormat)
    return std::string("Файл не является файлом конфигурации ТК-52.");
  const auto version = file.find("format_version");
  if (version == file.end() || !version->is_number_integer() ||
      version->get<long long>() != kFormatVersion) {
    return std::string("Версия файла конфигурации не поддерживается.");
  }
  const auto type = file.find("model_type");
  if (type == file.end())
    return std::string("В файле конфигурации нет типа модели.");
  if (!type->is_number_integer()) {
    return "Тип модели в файле конфигурации должен быть целым числом, а не " +
           value_excerpt(*type) + ".";
  }
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
      return "Недопустимое значение поля " + in_quotes(field.name) + ": " + value_excerpt(*value) +
             ".";
    }
    profile.configuration.*field.position = position;
  }
  if (pps) {
    const auto width = fields->find("pps_width");
    if (width == fields->end())
      return "В файле конфигурации нет поля " + in_quotes("pps_width") + ".";
    if (!width->is_number_integer() || width->get<long long>() < kPpsWidthMin ||
        width->get<long long>() > kPpsWidthMax) {
      return "Недопустимое значение поля " + in_quotes("pps_width") + ": " + value_excerpt(*width) +
             " (допустимо от " + std::to_string(kPpsWidthMin) + " до " +
             std::to_string(kPpsWidthMax) + ").";
    }
    profile.configuration.pps_width = static_cast<int>(width->get<long long>());
  }
  return profile;
}

}  // namespace tk52

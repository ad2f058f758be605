#include "device.h"

#include "protocol/framing.h"
#include "speeds.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

Answer error_answer(int code) {
  return {{error_report_body(code)}, 0};
}

Answer reply(std::string body) {
  return {{std::move(body)}, 0};
}

std::string result_body(std::string_view name, int code) {
  return std::string(name) + (code == kDiagnosticOk ? ",OK" : ",E" + std::to_string(code));
}

}  // namespace

Identity default_identity(std::string_view model) {
  Identity identity;
  identity.model = model;
  switch (model_type_of(model)) {
    case DeviceModelType::kTk52A:
      identity.software = "V2.345";
      break;
    case DeviceModelType::kTk53:
      identity.software = "V3.012";
      break;
    default:
      break;
  }
  return identity;
}

DeviceModelType model_type_of(std::string_view model) {
  return model == "TK-52.A" ? DeviceModelType::kTk52A : model_type_from_name(model);
}

std::string error_report_body(int code) {
  return "PKEXE," + zero_padded(static_cast<unsigned>(code), 2);
}

Device::Device(Identity identity)
    : identity_(std::move(identity)),
      type_(model_type_of(identity_.model)),
      config_(default_configuration(type_)),
      info_(default_extra_info(type_)) {}

void Device::replace_model(Identity identity) {
  identity_ = std::move(identity);
  type_ = model_type_of(identity_.model);
  config_ = default_configuration(type_);
  info_ = default_extra_info(type_);
}

bool Device::has_journals() const {
  return type_ != DeviceModelType::kTk5200 && type_ != DeviceModelType::kTk5201;
}

Answer Device::on_sentence(std::string_view sentence) {
  if (sentence.size() < 2 || sentence.front() != '$' ||
      !verify_sentence(sentence.data(), sentence.size())) {
    return {};
  }
  const std::string_view body = sentence.substr(1, sentence.find('*') - 1);
  const std::vector<std::string_view> fields = split_fields(body);
  const std::string_view name = fields.front();
  const bool bare = fields.size() == 1;

  if (name == "PKEXI") {
    if (!bare)
      return error_answer(device_error::kUnknownRequest);
    return reply("PKEXI," + identity_.model + ',' + identity_.hardware + ',' + identity_.software);
  }
  if (name == "PKEXC")
    return configuration_request(fields, body);
  if (name == "PKEXR")
    return speed_request(fields);
  if (name == "PKEXS") {
    return bare ? reply(extra_info_body(info_)) : error_answer(device_error::kUnknownRequest);
  }
  if (name == "PKEXD") {
    return bare ? reply(result_body("PKEXD", diagnostic_))
                : error_answer(device_error::kUnknownRequest);
  }
  if (name == "PKEXJ" && has_journals())
    return journal_request(fields);
  return error_answer(device_error::kUnknownRequest);
}

Answer Device::configuration_request(const std::vector<std::string_view>& fields,
                                     std::string_view body) {
  if (fields.size() == 1)
    return reply("PKEXC," + configuration_fields(config_, type_));
  const int fault = parse_configuration(body.substr(body.find(',') + 1), type_, config_);
  return reply(result_body("PKEXC", fault == 0 ? kDiagnosticOk : fault));
}

Answer Device::speed_request(const std::vector<std::string_view>& fields) {
  if (fields.size() != 2)
    return error_answer(device_error::kUnknownRequest);
  int position = 0;
  if (fields[1].size() != 1 ||
      !parse_int(fields[1], 1, static_cast<int>(kSpeeds.size()), position)) {
    return error_answer(device_error::kBadValue);
  }
  Answer answer = reply("PKEXR," + std::string(fields[1]) + ",A");
  answer.new_baud = kSpeeds[static_cast<std::size_t>(position - 1)];
  return answer;
}

// "PKEXJ,0j,num", "PKEXJ,0j,clr", "PKEXJ,0j,evt,NNNN".
Answer Device::journal_request(const std::vector<std::string_view>& fields) {
  if (fields.size() < 3)
    return error_answer(device_error::kUnknownRequest);
  int journal = 0;
  if (fields[1].size() != 2 || fields[1].front() != '0' ||
      !parse_int(fields[1], 1, kJournalCount, journal)) {
    return error_answer(device_error::kBadValue);
  }
  const std::string_view command = fields[2];
  const bool record_form = command == "evt";
  if (!record_form && command != "num" && command != "clr") {
    return error_answer(device_error::kBadValue);
  }
  if (fields.size() != (record_form ? 4u : 3u)) {
    return error_answer(device_error::kUnknownRequest);
  }

  const std::string prefix = "PKEXJ," + std::string(fields[1]) + ',';
  if (command == "clr")
    journals_.clear(journal);
  const std::vector<JournalRecord>& records = journals_.records(journal);
  if (!record_form) {
    return reply(prefix + zero_padded(static_cast<unsigned>(records.size()), 4));
  }
  int number = 0;
  if (fields[3].size() != 4 || !parse_int(fields[3], 0, kMaxJournalRecords, number) ||
      static_cast<std::size_t>(number) >= records.size()) {
    return error_answer(device_error::kBadValue);
  }
  return reply(prefix + std::string(fields[3]) + ',' +
               encode_record(records[static_cast<std::size_t>(number)]));
}

}  // namespace tk52::sim

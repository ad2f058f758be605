// The clock's side of the request and reply protocol: identity, configuration, extra
// information, self-diagnostic and journals. It sees whole sentences and answers with reply
// bodies; framing, faults, timing and the line belong to others.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "configuration.h"
#include "extra_info.h"
#include "journals.h"
#include "protocol/device_model.h"

namespace tk52::sim {

struct Identity {
  std::string model = "TK-52.00";  // as sent on the wire
  std::string hardware = "01";
  std::string software = "V1.23";
};

// The identification for a model text, with the versions that model's firmware reports.
Identity default_identity(std::string_view model);

// The model type of a wire model text; the wire drops the padding blank of "TK-52.A ".
DeviceModelType model_type_of(std::string_view model);

// Codes of the error report "$PKEXE,NN" for requests the clock cannot take.
namespace device_error {
inline constexpr int kUnknownRequest = 1;  // unknown name, or the wrong number of fields
inline constexpr int kBadValue = 2;        // a field the request kind does not allow
}  // namespace device_error

inline constexpr int kDiagnosticOk = 5;

struct Answer {
  std::vector<std::string> bodies;
  int new_baud = 0;  // nonzero: switch to this speed once the reply has left
};

class Device {
 public:
  explicit Device(Identity identity);

  // A received sentence, from "$" through CR LF. A sentence whose checksum fails is ignored,
  // as a receiver cannot tell whom it was meant for.
  Answer on_sentence(std::string_view sentence);

  const Identity& identity() const { return identity_; }
  // Becomes another model, as if that clock had been plugged in instead: its identity, and its
  // configuration and extra information back to that model's defaults. The journals stay.
  void replace_model(Identity identity);
  DeviceModelType model_type() const { return type_; }
  bool has_journals() const;

  Configuration& configuration() { return config_; }
  const Configuration& configuration() const { return config_; }
  ExtraInfoSettings& extra_info() { return info_; }
  const ExtraInfoSettings& extra_info() const { return info_; }
  Journals& journals() { return journals_; }
  int diagnostic_code() const { return diagnostic_; }
  void set_diagnostic_code(int code) { diagnostic_ = code; }

 private:
  Answer configuration_request(const std::vector<std::string_view>& fields, std::string_view body);
  Answer speed_request(const std::vector<std::string_view>& fields);
  Answer journal_request(const std::vector<std::string_view>& fields);

  Identity identity_;
  DeviceModelType type_;
  Configuration config_;
  ExtraInfoSettings info_;
  Journals journals_;
  int diagnostic_ = kDiagnosticOk;
};

// "PKEXE,NN".
std::string error_report_body(int code);

}  // namespace tk52::sim

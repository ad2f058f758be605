#include "pages/monitoring/monitoring_operations.h"

#include <cstdio>
#include <mutex>

#include "app/exchange.h"
#include "pages/monitoring/self_test_texts.h"
#include "protocol/requests.h"

namespace tk52 {
namespace {

// "N  55° 45.0012345": the fraction keeps the digits as received, leading zeros included.
std::string coordinate_text(std::int32_t hemisphere, std::int32_t degrees, std::int32_t minutes,
                            std::int32_t fraction, std::int32_t fraction_digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%c  %d\xC2\xB0 %.2d.%0*d",
                hemisphere != 0 ? static_cast<char>(hemisphere) : ' ', degrees, minutes,
                static_cast<int>(fraction_digits), fraction);
  return text;
}

// "145.05", "-0.5": the sign survives a whole part of 0, the fraction keeps its digits.
std::string altitude_text(const ExtraInfo& info) {
  char text[48];
  std::snprintf(text, sizeof text, "%s%d.%0*d", info.alt_negative && info.alt_int == 0 ? "-" : "",
                info.alt_int, static_cast<int>(info.alt_frac_digits), info.alt_frac);
  return text;
}

constexpr InfoField kAllFields[] = {
    InfoField::kSatellites,   InfoField::kTemperature, InfoField::kHeating,
    InfoField::kSelfTestCode, InfoField::kStatus,      InfoField::kLatitude,
    InfoField::kLongitude,    InfoField::kAltitude,
};

}  // namespace

MonitoringOperations::MonitoringOperations(Configurator& configurator, MonitoringView& view)
    : configurator_(configurator),
      view_(view),
      poller_(configurator.protocol(), configurator.port()) {
  configurator_.add_operation(OperationCode::kPeriodicInfo, [this] { periodic_info_clicked(); });
  configurator_.add_operation(OperationCode::kRequestInfo,
                              [this] { configurator_.report(request_info().outcome.message); });
  configurator_.add_operation(OperationCode::kRequestSelfTest, [this] {
    configurator_.report(request_self_test().outcome.message);
  });
  configurator_.add_notification_handler(ReplyKind::kExtraInfo, *this);
  configurator_.add_notification_handler(ReplyKind::kSelfDiagnostic, *this);
  configurator_.add_notification_handler(ReplyKind::kConfiguration, *this);
  configurator_.add_listener(*this);
}

MonitoringOperations::~MonitoringOperations() {
  poller_.stop();
}

void MonitoringOperations::on_notification(const ReplyNotification& notification) {
  switch (notification.kind) {
    case ReplyKind::kExtraInfo:
      return on_info_reply();
    case ReplyKind::kSelfDiagnostic:
      return on_self_diagnostic_reply();
    case ReplyKind::kConfiguration:
      // A PKEXC result code is the clock's self-diagnostic code after a write.
      if (notification.configuration_form() == ConfigurationForm::kResultCode)
        on_configuration_result();
      return;
    default:
      return;
  }
}

void MonitoringOperations::on_connected_changed(bool connected) {
  const bool periodic = view_.periodic_checked();
  view_.enable(MonitoringControl::kRequestInfo, connected && !periodic);
  view_.enable(MonitoringControl::kRequestSelfTest, connected);
  if (periodic && connected)
    start_poll();
  if (!connected) {
    for (InfoField f : kAllFields)
      view_.set_field(f, {});
  }
}

void MonitoringOperations::on_model_identified(DeviceModelType model) {
  if (model == DeviceModelType::kUnknown)
    return;
  // Models 3 and 4 report neither temperature nor heating.
  const bool pps = has_pps_fields(model);
  if (pps) {
    view_.set_field(InfoField::kTemperature, "0");
    view_.set_field(InfoField::kHeating, "Нет");
  }
  view_.enable_field(InfoField::kTemperature, !pps);
  view_.enable_field(InfoField::kHeating, !pps);
}

void MonitoringOperations::start_poll() {
  if (!poller_.start()) {
    view_.set_periodic_checked(false);
    configurator_.report({.id = MessageId::kProcessNotStarted});
  }
}

void MonitoringOperations::on_self_diagnostic_reply() {
  ReplyPayload payload{};
  if (configurator_.protocol().slots().take(SentenceKind::kPkexd, &payload) != result::kOk)
    return;
  show_self_test_code(load_record<ResultCodeRecord>(payload).code);
}

void MonitoringOperations::on_configuration_result() {
  ReplyPayload payload{};
  if (configurator_.protocol().slots().take(SentenceKind::kPkexc, &payload) != result::kOk ||
      !configurator_.connected())
    return;
  show_self_test_code(load_record<ResultCodeRecord>(payload).code);
}

InfoRead MonitoringOperations::request_info() {
  std::lock_guard lock(configurator_.protocol().operation_lock());
  configurator_.status(StatusText::kRequestingInfo);
  ReplyPayload payload{};
  const ResultCode code =
      exchange(configurator_.protocol(), configurator_.port(), SentenceKind::kPkexs,
               build_query(SentenceKind::kPkexs), {}, &payload);
  configurator_.clear_status();
  InfoRead read{.outcome = outcome_of(code)};
  if (read.outcome.ok())
    read.info = load_record<ExtraInfo>(payload);
  return read;
}

void MonitoringOperations::periodic_info_clicked() {
  MonitoringView& view = view_;
  const bool checked = view.periodic_checked();
  view.enable(MonitoringControl::kRequestInfo, configurator_.connected() && !checked);
  if (!checked) {
    poller_.stop();
    return;
  }
  if (!configurator_.connected())
    return;
  start_poll();
}

void MonitoringOperations::stop_periodic_info() {
  view_.set_periodic_checked(false);
  view_.enable(MonitoringControl::kRequestInfo, configurator_.connected());
  poller_.stop();
}

SelfTest MonitoringOperations::request_self_test() {
  ReplyPayload payload{};
  ResultCode code = result::kNotPerformed;
  {
    std::lock_guard lock(configurator_.protocol().operation_lock());
    configurator_.status(StatusText::kRequestingSelfTest);
    code = exchange(configurator_.protocol(), configurator_.port(), SentenceKind::kPkexd,
                    build_query(SentenceKind::kPkexd), {}, &payload);
    configurator_.clear_status();
  }
  if (!succeeded(code))
    return {.outcome = outcome_of(code)};
  const int self_test = load_record<ResultCodeRecord>(payload).code;
  const std::string line = std::string(traffic_event_text(TrafficEvent::kSelfTestReceived)) + " (" +
                           self_test_code_text(self_test) +
                           "): " + std::string(self_test_short_text(self_test));
  configurator_.log_event(line);
  // The box of a fault comes with the reply's notification, as after a configuration write.
  return {.outcome = {}, .code = self_test};
}

void MonitoringOperations::show_self_test_code(int code) {
  view_.set_field(InfoField::kSelfTestCode, self_test_code_text(code));
  if (code != kDeviceCodeOk)
    configurator_.report({.id = MessageId::kSelfTestResult, .detail = self_test_long_text(code)});
}

void MonitoringOperations::on_info_reply() {
  ReplyPayload payload{};
  if (configurator_.protocol().slots().take(SentenceKind::kPkexs, &payload) != result::kOk ||
      !configurator_.connected())
    return;
  const auto info = load_record<ExtraInfo>(payload);
  MonitoringView& view = view_;
  const bool valid = info.status_valid != 0;
  view.set_field(InfoField::kSatellites, std::to_string(info.satellites));
  view.set_field(InfoField::kTemperature, std::to_string(info.temperature));
  view.set_field(InfoField::kHeating, info.heating ? "Да" : "Нет");
  view.set_field(InfoField::kStatus, valid ? "A" : "V");
  view.set_field(InfoField::kLatitude,
                 info.lat_present ? coordinate_text(info.lat_hemisphere, info.lat_deg, info.lat_min,
                                                    info.lat_frac, info.lat_frac_digits)
                                  : std::string());
  view.set_field(InfoField::kLongitude,
                 info.lon_present ? coordinate_text(info.lon_hemisphere, info.lon_deg, info.lon_min,
                                                    info.lon_frac, info.lon_frac_digits)
                                  : std::string());
  view.set_field(InfoField::kAltitude, info.alt_present ? altitude_text(info) : std::string());
  view.enable_field(InfoField::kLatitude, valid);
  view.enable_field(InfoField::kLongitude, valid);
  view.enable_field(InfoField::kAltitude, valid);
}

}  // namespace tk52

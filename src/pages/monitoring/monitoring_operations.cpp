// Extra information once and periodically, the self-diagnostic, and their notifications.
#include <cstdio>
#include <mutex>

#include "app/configurator.h"
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

}  // namespace

void Configurator::request_info() {
  ResultCode code = result::kNotPerformed;
  {
    std::lock_guard lock(protocol_.operation_lock());
    status(StatusText::kRequestingInfo);
    code = exchange(protocol_, *port_, SentenceKind::kPkexs, build_query(SentenceKind::kPkexs));
    clear_status();
  }
  show_result(code);
}

void Configurator::periodic_info_clicked() {
  MonitoringView& view = views_.monitoring;
  const bool checked = view.periodic_checked();
  view.enable(MonitoringControl::kRequestInfo, connected_ && !checked);
  if (!checked) {
    poller_.stop();
    return;
  }
  if (!connected_)
    return;
  if (!poller_.start()) {
    view.set_periodic_checked(false);
    views_.shell.show_message("Системная ошибка!", "Не удалось запустить процесс.",
                              MessageIcon::kError);
  }
}

void Configurator::stop_periodic_info() {
  views_.monitoring.set_periodic_checked(false);
  views_.monitoring.enable(MonitoringControl::kRequestInfo, connected_);
  poller_.stop();
}

void Configurator::request_self_test() {
  ResultCode code = result::kNotPerformed;
  ReplyPayload payload{};
  {
    std::lock_guard lock(protocol_.operation_lock());
    status(StatusText::kRequestingSelfTest);
    code = exchange(protocol_, *port_, SentenceKind::kPkexd, build_query(SentenceKind::kPkexd), {},
                    &payload);
    clear_status();
  }
  if (!succeeded(code)) {
    show_result(code);
    return;
  }
  const int self_test = load_record<ResultCodeRecord>(payload).code;
  const std::string line = std::string(traffic_event_text(TrafficEvent::kSelfTestReceived)) + " (" +
                           self_test_code_text(self_test) +
                           "): " + std::string(self_test_short_text(self_test));
  log_event(line);
}

void Configurator::show_self_test_code(int code) {
  views_.monitoring.set_field(InfoField::kSelfTestCode, self_test_code_text(code));
  if (code != kDeviceCodeOk) {
    views_.shell.show_message(kSelfTestTitle, self_test_long_text(code), MessageIcon::kWarning);
  }
}

void Configurator::on_info_reply() {
  ReplyPayload payload{};
  if (protocol_.slots().take(SentenceKind::kPkexs, &payload) != result::kOk || !connected_)
    return;
  const auto info = load_record<ExtraInfo>(payload);
  MonitoringView& view = views_.monitoring;
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

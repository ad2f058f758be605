#include "app/configurator.h"

#include <cstdio>

#include "protocol/protocol_events.h"

namespace tk52 {

int port_number(std::string_view name) {
  std::size_t start = name.size();
  while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
    --start;
  int number = 0;
  for (std::size_t i = start; i < name.size() && number < 100000; ++i) {
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

bool Configurator::Events::post_reply(unsigned message, std::uintptr_t wparam,
                                      std::intptr_t lparam) {
  return owner_.poster_.post_reply(message, wparam, lparam);
}

void Configurator::Events::log_received(const char* text, std::size_t size,
                                        const CalendarTime& arrival, bool good) {
  owner_.log_.log_received(text, size, arrival, good);
}

void Configurator::Events::counters_changed() {
  owner_.poster_.counters_changed();
}

void Configurator::Events::time_received(const TimeRecord& time, const CalendarTime& arrival) {
  if (TimeListener* listener = owner_.time_listener_.load()) {
    listener->on_time(time, arrival, owner_.port_->last_dollar_tick());
  }
}

Configurator::Configurator(const ConfiguratorViews& views, UiPoster& poster, LogLineSink& log_sink,
                           SettingsStore& settings, const Clock& clock)
    : views_(views),
      poster_(poster),
      settings_(settings),
      clock_(clock),
      log_(log_sink),
      port_(make_serial_port(log_, clock)),
      poller_(protocol_, *port_) {}

Configurator::~Configurator() {
  poller_.stop();
  port_->close();
}

void Configurator::dispatch(OperationCode code) {
  switch (code) {
    case OperationCode::kConnect:
      return connect_or_disconnect();
    case OperationCode::kFindDevice:
      return find_device();
    case OperationCode::kChangeSpeed:
      return change_speed();
    case OperationCode::kReadConfiguration:
      return read_configuration();
    case OperationCode::kWriteConfiguration:
      return write_configuration();
    case OperationCode::kConfigurationDefaults:
      return apply_defaults();
    case OperationCode::kPeriodicInfo:
      return periodic_info_clicked();
    case OperationCode::kRequestInfo:
      return request_info();
    case OperationCode::kRequestSelfTest:
      return request_self_test();
    default:
      // The log view, journal and synchronisation operations belong to their pages.
      return;
  }
}

void Configurator::status(StatusText text) {
  views_.shell.set_status(status_text(static_cast<int>(text)), true);
}

void Configurator::clear_status() {
  views_.shell.set_status({}, true);
}

void Configurator::log_event(std::string_view text) {
  log_.log_event(text, clock_.local_now());
}

void Configurator::show_result(ResultCode code) {
  const ResultMessage message = result_message(code);
  if (message.shown)
    views_.shell.show_message(message.title, message.text, MessageIcon::kError);
}

std::string Configurator::connection_description(int speed_position) const {
  const int position = valid_speed_position(speed_position);
  return "Соединение: " + port_choice_.name + ", " + std::to_string(kSpeeds[position]) + ", 8N1";
}

void Configurator::set_connected(bool connected) {
  connected_ = connected;
  ConfigurationView& config = views_.configuration;
  MonitoringView& monitoring = views_.monitoring;
  if (!connected)
    config.show_identity({}, {}, {});
  config.set_connect_caption(connected);
  config.enable(ConfigControl::kFind, !connected);
  config.enable(ConfigControl::kSpeedWrite, connected);
  const bool model2 = connected && protocol_.model_type() == model::kTk5201;
  config.enable(ConfigControl::kSatelliteSystems, !model2);
  config.enable(ConfigControl::kUtcReference, !model2);
  for (ConfigControl c : {ConfigControl::kRead, ConfigControl::kWrite, ConfigControl::kDefaults}) {
    config.enable(c, connected);
  }
  const bool periodic = monitoring.periodic_checked();
  monitoring.enable(MonitoringControl::kRequestInfo, connected && !periodic);
  monitoring.enable(MonitoringControl::kRequestSelfTest, connected);
  if (periodic && connected && !poller_.start()) {
    monitoring.set_periodic_checked(false);
    views_.shell.show_message("Системная ошибка!", "Не удалось запустить процесс.",
                              MessageIcon::kError);
  }
  if (!connected) {
    for (InfoField f : {InfoField::kSatellites, InfoField::kTemperature, InfoField::kHeating,
                        InfoField::kSelfTestCode, InfoField::kStatus, InfoField::kLatitude,
                        InfoField::kLongitude, InfoField::kAltitude}) {
      monitoring.set_field(f, {});
    }
  }
  views_.shell.set_connection_text(connected ? connection_text_ : "Нет соединения");
  views_.shell.enable_port_command(!connected);
  for (ConnectedStateListener* listener : listeners_)
    listener->on_connected_changed(connected);
}

void Configurator::handle_notification(unsigned message, std::uintptr_t wparam,
                                       std::intptr_t lparam) {
  switch (message) {
    case notify::kConfiguration:
      return on_configuration_reply(wparam);
    case notify::kIdentification:
      return on_identification_reply();
    case notify::kExtraInfo:
      return on_info_reply();
    case notify::kSelfDiagnostic: {
      ReplyPayload payload{};
      if (protocol_.slots().take(SentenceKind::kPkexd, &payload) != result::kOk)
        return;
      return show_self_test_code(load_record<ResultCodeRecord>(payload).code);
    }
    case notify::kDeviceError:
      return on_device_error_reply();
    case notify::kDeviceGone:
      return on_device_gone();
    case notify::kJournal:
      if (journal_handler_ != nullptr)
        journal_handler_->on_notification(wparam, lparam);
      return;
    default:
      return;
  }
}

void Configurator::on_device_error_reply() {
  ReplyPayload payload{};
  if (protocol_.slots().take(SentenceKind::kPkexe, &payload) != result::kOk)
    return;
  switch (load_record<DeviceErrorRecord>(payload).code) {
    case 1:
      return views_.shell.show_message(
          "Неверный формат предложения!",
          "Не достаточное количество полей данных для данного типа предложения.",
          MessageIcon::kError);
    case 2:
      return views_.shell.show_message(
          "Неверное значение параметра!",
          "Одно или несколько полей данных предложения содержат неверные значения параметра.",
          MessageIcon::kError);
    default:
      return views_.shell.show_message(
          "Не распознанная ошибка протокола!",
          "Предложение об ошибке содержит не предусмотренный конфигуратором код ошибки.",
          MessageIcon::kError);
  }
}

void Configurator::set_sync_available(bool available) {
  sync_available_ = available;
  for (ConnectedStateListener* listener : listeners_)
    listener->on_sync_availability(available);
}

}  // namespace tk52

#include "app/configurator.h"

#include "protocol/protocol_events.h"

namespace tk52 {

bool Configurator::Events::post_reply(const ReplyNotification& notification) {
  return owner_.poster_.post_reply(notification);
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

Configurator::Configurator(ShellView& shell, UiPoster& poster, LogLineSink& log_sink,
                           SettingsStore& settings, const Clock& clock)
    : shell_(shell),
      poster_(poster),
      settings_(settings),
      clock_(clock),
      log_(log_sink),
      port_(make_serial_port(log_, clock)) {}

Configurator::~Configurator() {
  port_->close();
}

void Configurator::add_operation(OperationCode code, Operation operation) {
  operations_[code] = std::move(operation);
}

void Configurator::dispatch(OperationCode code) {
  const auto found = operations_.find(code);
  if (found != operations_.end() && found->second)
    found->second();
}

void Configurator::add_notification_handler(ReplyKind kind, NotificationHandler& handler) {
  handlers_.emplace(kind, &handler);
}

void Configurator::handle_notification(const ReplyNotification& notification) {
  if (notification.kind == ReplyKind::kDeviceError)
    return on_device_error_reply();
  const auto [first, last] = handlers_.equal_range(notification.kind);
  for (auto it = first; it != last; ++it)
    it->second->on_notification(notification);
}

void Configurator::status(StatusText text) {
  shell_.set_status(status_text(static_cast<int>(text)), true);
}

void Configurator::clear_status() {
  shell_.set_status({}, true);
}

void Configurator::log_event(std::string_view text) {
  log_.log_event(text, clock_.local_now());
}

void Configurator::report(const Message& message) {
  show(shell_, message);
}

void Configurator::expect_device_refusal() {
  refusal_expected_until_ = std::chrono::steady_clock::now() + std::chrono::seconds(2);
}

void Configurator::set_connection_text(std::string text) {
  connection_text_ = std::move(text);
}

void Configurator::set_connected(bool connected) {
  connected_ = connected;
  for (ConnectedStateListener* listener : listeners_)
    listener->on_connected_changed(connected);
  shell_.set_connection_text(connected ? connection_text_ : "Нет соединения");
  shell_.enable_port_command(!connected);
}

void Configurator::model_identified(DeviceModelType model) {
  for (ConnectedStateListener* listener : listeners_)
    listener->on_model_identified(model);
}

void Configurator::set_sync_available(bool available) {
  sync_available_ = available;
  for (ConnectedStateListener* listener : listeners_)
    listener->on_sync_availability(available);
}

void Configurator::reserve_line() {
  for (ConnectedStateListener* listener : listeners_)
    listener->on_line_reserved();
}

void Configurator::on_device_error_reply() {
  ReplyPayload payload{};
  if (protocol_.slots().take(SentenceKind::kPkexe, &payload) != result::kOk)
    return;
  if (std::chrono::steady_clock::now() < refusal_expected_until_)
    return;
  switch (load_record<DeviceErrorRecord>(payload).code) {
    case 1:
      return report({.id = MessageId::kDeviceBadFormat});
    case 2:
      return report({.id = MessageId::kDeviceBadValue});
    default:
      return report({.id = MessageId::kDeviceUnknownError});
  }
}

}  // namespace tk52

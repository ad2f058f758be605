#include "pages/connection/connection_operations.h"

#include <cstdio>

#include "app/exchange.h"
#include "link/network_port.h"
#include "protocol/requests.h"
#include "protocol/result_codes.h"

namespace tk52 {
namespace {

// The line's speed is the server's (raw TCP, or RFC 2217 without COM Port Control).
const Outcome kFixedSpeed{.code = result::kNotPerformed,
                          .message = {.id = MessageId::kFixedSpeedLine}};

}  // namespace

ConnectionOperations::ConnectionOperations(Configurator& configurator, ConfigurationView& view)
    : configurator_(configurator), view_(view) {
  configurator_.add_operation(OperationCode::kConnect, [this] { tell(connect_or_disconnect()); });
  configurator_.add_operation(OperationCode::kFindDevice, [this] { tell(find_device()); });
  configurator_.add_operation(OperationCode::kChangeSpeed, [this] { tell(change_speed()); });
  configurator_.add_notification_handler(ReplyKind::kDeviceGone, *this);
}

void ConnectionOperations::on_notification(const ReplyNotification&) {
  // A connect or find still running closes the port itself when its exchanges fail.
  if (!configurator_.connected())
    return;
  const std::string name = configurator_.port().name();
  connect_or_disconnect();
  configurator_.report({.id = MessageId::kDeviceGone, .port = name});
}

void ConnectionOperations::tell(const Outcome& outcome) {
  // The operation's status text stays up while its message is shown, and goes with it.
  configurator_.report(outcome.message);
  configurator_.clear_status();
}

std::string ConnectionOperations::connection_description(int speed_position) const {
  const int position = valid_speed_position(speed_position);
  return "Соединение: " + configurator_.port_choice().name + ", " +
         std::to_string(kSpeeds[position]) + ", 8N1";
}

void ConnectionOperations::log_connected(int speed_position) {
  // The port as the operator gave it: "COM3", "/dev/ttyUSB0" or "tcp://host:4001".
  configurator_.log_event(std::string(traffic_event_text(TrafficEvent::kConnected)) + " по " +
                          configurator_.port_choice().name + " на скорости " +
                          std::to_string(kSpeeds[speed_position]) + " бит/с");
}

Outcome ConnectionOperations::abort_connection(std::unique_lock<TimedLock>& lock, ResultCode code,
                                               const std::string& port_name,
                                               bool back_to_first_speed) {
  SerialPort& port = configurator_.port();
  port.close();
  configurator_.set_connected(false);
  lock.unlock();
  if (back_to_first_speed)
    view_.select_speed(0);
  // Whatever the exchange made of it, the line went away under it.
  if (port.gone())
    return {.code = code, .message = {.id = MessageId::kDeviceGone, .port = port_name}};
  if (code == result::kPortNotOpen) {
    // The port's name and the system's reason stay in the traffic log; the reason also goes on a
    // line of its own under the message.
    const std::string& reason = port.open_failure();
    configurator_.log_event(std::string(message_entry(MessageId::kPortNotOpen).text) + " " +
                            port_name + (reason.empty() ? "" : ": " + reason));
    return {.code = code, .message = {.id = MessageId::kPortNotOpen, .detail = reason}};
  }
  if (code >= result::kNoReply)
    return {.code = code, .message = {.id = MessageId::kDeviceNotFound, .port = port_name}};
  return outcome_of(code);
}

std::optional<Outcome> ConnectionOperations::no_port_chosen() const {
  if (!configurator_.port_choice().name.empty())
    return std::nullopt;
  return Outcome{.code = result::kNotPerformed, .message = {.id = MessageId::kNoPortChosen}};
}

Outcome ConnectionOperations::connect_or_disconnect() {
  Protocol& protocol = configurator_.protocol();
  SerialPort& port = configurator_.port();
  if (auto refused = no_port_chosen())
    return *refused;
  std::unique_lock lock(protocol.operation_lock());
  if (configurator_.connected()) {
    port.close();
    const SentenceCounters counts = protocol.counters();
    char text[192];
    std::snprintf(text, sizeof text, "%s. Всего предложений принято: %lu (из них плохих: %lu)",
                  std::string(traffic_event_text(TrafficEvent::kDisconnected)).c_str(),
                  static_cast<unsigned long>(counts.good + counts.bad),
                  static_cast<unsigned long>(counts.bad));
    configurator_.log_event(text);
    configurator_.set_connected(false);
    return {};
  }

  configurator_.status(StatusText::kConnecting);
  const int position = valid_speed_position(view_.speed_position());
  configurator_.set_connection_text(connection_description(position));
  const std::string name = configurator_.port_choice().name;
  ResultCode code = port.open(name, kSpeeds[position], configurator_.sentence_handler());
  if (code == result::kPortOk) {
    configurator_.settings().save({name, position});
    const ExchangeOptions options{.attempts = 3, .abort_on_send_failure = true};
    code =
        exchange(protocol, port, SentenceKind::kPkexi, build_query(SentenceKind::kPkexi), options);
    if (succeeded(code)) {
      code = exchange(protocol, port, SentenceKind::kPkexc, build_query(SentenceKind::kPkexc),
                      options);
    }
  }
  if (!succeeded(code)) {
    return abort_connection(lock, code, name, false);
  }
  log_connected(position);
  configurator_.set_connected(true);
  configurator_.clear_status();
  return {};
}

Outcome ConnectionOperations::find_device() {
  Protocol& protocol = configurator_.protocol();
  SerialPort& port = configurator_.port();
  if (auto refused = no_port_chosen())
    return *refused;
  std::unique_lock lock(protocol.operation_lock());
  if (configurator_.connected()) {
    configurator_.clear_status();
    return {};
  }
  const std::string name = configurator_.port_choice().name;
  if (!line_speed_settable(name))
    return kFixedSpeed;
  configurator_.status(StatusText::kFindingDevice);
  ResultCode code = port.open(name, kSpeeds[0], configurator_.sentence_handler());
  // An RFC 2217 server that refuses COM Port Control, or never answers the speed request,
  // leaves its line at the speed it likes, as a raw TCP line: nothing is sent then.
  if (code == result::kPortOk && !port.speed_settable() && !port.gone()) {
    port.close();
    return kFixedSpeed;
  }
  if (code == result::kPortOk && port.gone()) {
    code = result::kWriteFailed;
  } else if (code == result::kPortOk) {
    const Request query = build_query(SentenceKind::kPkexi);
    const ExchangeOptions options{.attempts = 3, .abort_on_send_failure = true};
    for (int position = 0; position < kSpeedCount; ++position) {
      configurator_.set_connection_text(connection_description(position));
      view_.select_speed(position);
      // A speed the line did not take would be reported as the clock's.
      if (port.set_speed(kSpeeds[position]) == 0) {
        code = port.gone() ? result::kWriteFailed : result::kSpeedChangeFailed;
        break;
      }
      code = exchange(protocol, port, SentenceKind::kPkexi, query, options);
      const bool send_failed = code == result::kPortNotOpen || code == result::kWriteFailed;
      if (code == result::kOk || send_failed)
        break;
    }
    if (succeeded(code)) {
      code = exchange(protocol, port, SentenceKind::kPkexc, build_query(SentenceKind::kPkexc),
                      options);
    }
  }
  if (!succeeded(code)) {
    return abort_connection(lock, code, name, true);
  }
  const int found = valid_speed_position(view_.speed_position());
  log_connected(found);
  configurator_.set_connected(true);
  configurator_.clear_status();
  return {};
}

Outcome ConnectionOperations::change_speed() {
  Protocol& protocol = configurator_.protocol();
  SerialPort& port = configurator_.port();
  // Before anything is sent: the clock must not move to a speed the line never takes.
  if (!port.speed_settable() && !port.gone())
    return kFixedSpeed;
  std::unique_lock lock(protocol.operation_lock());
  configurator_.status(StatusText::kChangingSpeed);
  const int position = valid_speed_position(view_.speed_position());
  const Request request = build_speed_change(position);

  int previous = 0;
  ResultCode code = exchange(protocol, port, SentenceKind::kPkexr, request);
  if (succeeded(code)) {
    previous = port.set_speed(kSpeeds[position]);
    if (previous == 0)
      code = result::kSpeedChangeFailed;
  }
  // Two confirmations at the new speed; the first failure ends the operation.
  for (int confirmation = 0; confirmation < 2 && succeeded(code); ++confirmation) {
    code = exchange(protocol, port, SentenceKind::kPkexr, request,
                    {.attempts = 1, .abort_on_send_failure = true});
  }

  if (!succeeded(code)) {
    if (previous != 0)
      port.set_speed(previous);
    lock.unlock();
    if (code >= result::kNoReply)
      return {.code = code, .message = {.id = MessageId::kSpeedNotChanged}};
    return outcome_of(code);
  }
  configurator_.set_connection_text(connection_description(position));
  configurator_.shell().set_connection_text(configurator_.connection_text());
  configurator_.log_event(std::string(traffic_event_text(TrafficEvent::kSpeedSet)) + " - " +
                          std::to_string(kSpeeds[position]) + " бит/с");
  configurator_.clear_status();
  return {};
}

}  // namespace tk52

#include "pages/connection/connection_operations.h"

#include <cstdio>

#include "app/exchange.h"
#include "link/network_port.h"
#include "protocol/requests.h"
#include "protocol/result_codes.h"

namespace tk52 {
namespace {

constexpr std::string_view kAttentionTitle = "Внимание!";
constexpr std::string_view kNoPortText = "Порт для подключения не выбран.";

}  // namespace

ConnectionOperations::ConnectionOperations(Configurator& configurator, ConfigurationView& view)
    : configurator_(configurator), view_(view) {
  configurator_.add_operation(OperationCode::kConnect, [this] { connect_or_disconnect(); });
  configurator_.add_operation(OperationCode::kFindDevice, [this] { find_device(); });
  configurator_.add_operation(OperationCode::kChangeSpeed, [this] { change_speed(); });
  configurator_.add_notification_handler(ReplyKind::kDeviceGone, *this);
}

void ConnectionOperations::on_notification(const ReplyNotification&) {
  // A connect or find still running closes the port itself when its exchanges fail.
  if (!configurator_.connected())
    return;
  const std::string name = configurator_.port().name();
  connect_or_disconnect();
  show_device_gone(name);
}

void ConnectionOperations::show_device_gone(const std::string& port_name) {
  configurator_.shell().show_message("Соединение разорвано.",
                                     "Устройство отключено от порта " + port_name + ".",
                                     MessageIcon::kError);
}

void ConnectionOperations::refuse_fixed_speed() {
  configurator_.shell().show_message("Операция прошла неудачно.", std::string(kFixedSpeedLineText),
                                     MessageIcon::kInformation);
}

std::string ConnectionOperations::connection_description(int speed_position) const {
  const int position = valid_speed_position(speed_position);
  return "Соединение: " + configurator_.port_choice().name + ", " +
         std::to_string(kSpeeds[position]) + ", 8N1";
}

void ConnectionOperations::log_connected(int speed_position) {
  char text[192];
  std::snprintf(text, sizeof text, "%s по COM%d на скорости %d бит/с",
                std::string(traffic_event_text(TrafficEvent::kConnected)).c_str(),
                configurator_.port_choice().number, kSpeeds[speed_position]);
  configurator_.log_event(text);
}

void ConnectionOperations::abort_connection(std::unique_lock<TimedLock>& lock, ResultCode code,
                                            const std::string& port_name,
                                            bool back_to_first_speed) {
  SerialPort& port = configurator_.port();
  port.close();
  configurator_.set_connected(false);
  lock.unlock();
  if (back_to_first_speed)
    view_.select_speed(0);
  if (port.gone()) {
    // Whatever the exchange made of it, the line went away under it.
    show_device_gone(port_name);
  } else if (code == result::kPortNotOpen && !port.open_failure().empty()) {
    // The port's reason on a line of its own, under the usual text.
    const ResultMessage message = result_message(code);
    configurator_.shell().show_message(
        message.title, std::string(message.text) + "\n" + port.open_failure(), MessageIcon::kError);
  } else if (code >= result::kNoReply) {
    configurator_.shell().show_message("Соединение не установлено.",
                                       "Не удалось обнаружить устройство ТК на " + port_name + ".",
                                       MessageIcon::kInformation);
  } else {
    configurator_.show_result(code);
  }
}

bool ConnectionOperations::port_chosen() {
  if (!configurator_.port_choice().name.empty())
    return true;
  configurator_.shell().show_message(kAttentionTitle, kNoPortText, MessageIcon::kInformation);
  return false;
}

void ConnectionOperations::connect_or_disconnect() {
  Protocol& protocol = configurator_.protocol();
  SerialPort& port = configurator_.port();
  if (!port_chosen())
    return;
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
    return;
  }

  configurator_.status(StatusText::kConnecting);
  const int position = valid_speed_position(view_.speed_position());
  configurator_.set_connection_text(connection_description(position));
  const std::string name = configurator_.port_choice().name;
  ResultCode code = port.open(name, kSpeeds[position], configurator_.sentence_handler());
  if (code == result::kPortOk) {
    configurator_.settings().save({name, position});
    const ExchangeOptions options{3, true, false};
    code =
        exchange(protocol, port, SentenceKind::kPkexi, build_query(SentenceKind::kPkexi), options);
    if (succeeded(code)) {
      code = exchange(protocol, port, SentenceKind::kPkexc, build_query(SentenceKind::kPkexc),
                      options);
    }
  }
  if (!succeeded(code)) {
    abort_connection(lock, code, name, false);
    configurator_.clear_status();
    return;
  }
  log_connected(position);
  configurator_.set_connected(true);
  configurator_.clear_status();
}

void ConnectionOperations::find_device() {
  Protocol& protocol = configurator_.protocol();
  SerialPort& port = configurator_.port();
  if (!port_chosen())
    return;
  std::unique_lock lock(protocol.operation_lock());
  if (configurator_.connected()) {
    configurator_.clear_status();
    return;
  }
  const std::string name = configurator_.port_choice().name;
  if (!line_speed_settable(name)) {
    lock.unlock();
    refuse_fixed_speed();
    configurator_.clear_status();
    return;
  }
  configurator_.status(StatusText::kFindingDevice);
  ResultCode code = port.open(name, kSpeeds[0], configurator_.sentence_handler());
  // An RFC 2217 server that refuses COM Port Control, or never answers the speed request,
  // leaves its line at the speed it likes, as a raw TCP line: nothing is sent then.
  if (code == result::kPortOk && !port.speed_settable() && !port.gone()) {
    port.close();
    lock.unlock();
    refuse_fixed_speed();
    configurator_.clear_status();
    return;
  }
  if (code == result::kPortOk && port.gone()) {
    code = result::kWriteFailed;
  } else if (code == result::kPortOk) {
    const Request query = build_query(SentenceKind::kPkexi);
    const ExchangeOptions options{3, true, false};
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
    abort_connection(lock, code, name, true);
    configurator_.clear_status();
    return;
  }
  const int found = valid_speed_position(view_.speed_position());
  log_connected(found);
  configurator_.set_connected(true);
  configurator_.clear_status();
}

void ConnectionOperations::change_speed() {
  Protocol& protocol = configurator_.protocol();
  SerialPort& port = configurator_.port();
  // Before anything is sent: the clock must not move to a speed the line never takes.
  if (!port.speed_settable() && !port.gone()) {
    refuse_fixed_speed();
    return;
  }
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
    code = exchange(protocol, port, SentenceKind::kPkexr, request, {1, true, false});
  }

  if (!succeeded(code)) {
    if (previous != 0)
      port.set_speed(previous);
    lock.unlock();
    if (code >= result::kNoReply) {
      configurator_.shell().show_message("Операция прошла неудачно.",
                                         "Не удалось изменить скорость передачи данных.",
                                         MessageIcon::kInformation);
    } else {
      configurator_.show_result(code);
    }
    configurator_.clear_status();
    return;
  }
  configurator_.set_connection_text(connection_description(position));
  configurator_.shell().set_connection_text(configurator_.connection_text());
  char text[160];
  std::snprintf(text, sizeof text, "%s - %d бит/с",
                std::string(traffic_event_text(TrafficEvent::kSpeedSet)).c_str(),
                kSpeeds[position]);
  configurator_.log_event(text);
  configurator_.clear_status();
}

}  // namespace tk52

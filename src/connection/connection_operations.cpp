// Connect and identify, find the clock's speed, change the speed.
#include <cstdio>
#include <mutex>

#include "app/configurator.h"
#include "app/exchange.h"
#include "protocol/requests.h"

namespace tk52 {
namespace {

constexpr std::string_view kAttentionTitle = "Внимание!";
constexpr std::string_view kNoPortText = "Порт для подключения не выбран.";

}  // namespace

void Configurator::abort_connection(std::unique_lock<TimedLock>& lock, ResultCode code,
                                    const std::string& port_name, bool back_to_first_speed) {
  port_->close();
  set_connected(false);
  lock.unlock();
  if (back_to_first_speed)
    views_.configuration.select_speed(0);
  if (code >= result::kNoReply) {
    views_.shell.show_message("Соединение не установлено.",
                              "Не удалось обнаружить устройство ТК на " + port_name + ".",
                              MessageIcon::kInformation);
  } else {
    show_result(code);
  }
}

void Configurator::on_device_gone() {
  // A connect or find still running closes the port itself when its exchanges fail.
  if (!connected_)
    return;
  const std::string name = port_->name();
  connect_or_disconnect();
  views_.shell.show_message("Соединение разорвано.", "Устройство отключено от порта " + name + ".",
                            MessageIcon::kError);
}

void Configurator::connect_or_disconnect() {
  if (port_choice_.name.empty()) {
    views_.shell.show_message(kAttentionTitle, kNoPortText, MessageIcon::kInformation);
    return;
  }
  std::unique_lock lock(protocol_.operation_lock());
  if (connected_) {
    port_->close();
    const SentenceCounters counts = protocol_.counters();
    char text[192];
    std::snprintf(text, sizeof text, "%s. Всего предложений принято: %lu (из них плохих: %lu)",
                  std::string(traffic_event_text(TrafficEvent::kDisconnected)).c_str(),
                  static_cast<unsigned long>(counts.good + counts.bad),
                  static_cast<unsigned long>(counts.bad));
    log_event(text);
    set_connected(false);
    return;
  }

  status(StatusText::kConnecting);
  const int position = valid_speed_position(views_.configuration.speed_position());
  connection_text_ = connection_description(position);
  const std::string name = port_choice_.name;
  ResultCode code = port_->open(name, kSpeeds[position], sentence_handler_);
  if (code == result::kPortOk) {
    settings_.save({name, position});
    const ExchangeOptions options{3, true, false};
    code = exchange(protocol_, *port_, SentenceKind::kPkexi, build_query(SentenceKind::kPkexi),
                    options);
    if (succeeded(code)) {
      code = exchange(protocol_, *port_, SentenceKind::kPkexc, build_query(SentenceKind::kPkexc),
                      options);
    }
  }
  if (!succeeded(code)) {
    abort_connection(lock, code, name, false);
    clear_status();
    return;
  }
  char text[192];
  std::snprintf(text, sizeof text, "%s по COM%d на скорости %d бит/с",
                std::string(traffic_event_text(TrafficEvent::kConnected)).c_str(),
                port_choice_.number, kSpeeds[position]);
  log_event(text);
  set_connected(true);
  clear_status();
}

void Configurator::find_device() {
  if (port_choice_.name.empty()) {
    views_.shell.show_message(kAttentionTitle, kNoPortText, MessageIcon::kInformation);
    return;
  }
  std::unique_lock lock(protocol_.operation_lock());
  if (connected_) {
    clear_status();
    return;
  }
  status(StatusText::kFindingDevice);
  const std::string name = port_choice_.name;
  ResultCode code = port_->open(name, kSpeeds[0], sentence_handler_);
  if (code == result::kPortOk) {
    const Request query = build_query(SentenceKind::kPkexi);
    const ExchangeOptions options{3, true, false};
    for (int position = 0; position < kSpeedCount; ++position) {
      connection_text_ = connection_description(position);
      views_.configuration.select_speed(position);
      port_->set_speed(kSpeeds[position]);
      code = exchange(protocol_, *port_, SentenceKind::kPkexi, query, options);
      const bool send_failed = code == result::kPortNotOpen || code == result::kWriteFailed;
      if (code == result::kOk || send_failed)
        break;
    }
    if (succeeded(code)) {
      code = exchange(protocol_, *port_, SentenceKind::kPkexc, build_query(SentenceKind::kPkexc),
                      options);
    }
  }
  if (!succeeded(code)) {
    abort_connection(lock, code, name, true);
    clear_status();
    return;
  }
  const int found = valid_speed_position(views_.configuration.speed_position());
  char text[192];
  std::snprintf(text, sizeof text, "%s по COM%d на скорости %d бит/с",
                std::string(traffic_event_text(TrafficEvent::kConnected)).c_str(),
                port_choice_.number, kSpeeds[found]);
  log_event(text);
  set_connected(true);
  clear_status();
}

void Configurator::change_speed() {
  std::unique_lock lock(protocol_.operation_lock());
  status(StatusText::kChangingSpeed);
  const int position = valid_speed_position(views_.configuration.speed_position());
  const Request request = build_speed_change(position);

  int previous = 0;
  ResultCode code = exchange(protocol_, *port_, SentenceKind::kPkexr, request);
  if (succeeded(code)) {
    previous = port_->set_speed(kSpeeds[position]);
    if (previous == 0)
      code = result::kSpeedChangeFailed;
  }
  // Two confirmations at the new speed; the first failure ends the operation.
  for (int confirmation = 0; confirmation < 2 && succeeded(code); ++confirmation) {
    code = exchange(protocol_, *port_, SentenceKind::kPkexr, request, {1, true, false});
  }

  if (!succeeded(code)) {
    if (previous != 0)
      port_->set_speed(previous);
    lock.unlock();
    if (code >= result::kNoReply) {
      views_.shell.show_message("Операция прошла неудачно.",
                                "Не удалось изменить скорость передачи данных.",
                                MessageIcon::kInformation);
    } else {
      show_result(code);
    }
    clear_status();
    return;
  }
  connection_text_ = connection_description(position);
  views_.shell.set_connection_text(connection_text_);
  char text[160];
  std::snprintf(text, sizeof text, "%s - %d бит/с",
                std::string(traffic_event_text(TrafficEvent::kSpeedSet)).c_str(),
                kSpeeds[position]);
  log_event(text);
  clear_status();
}

}  // namespace tk52

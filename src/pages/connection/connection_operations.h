// The connection's operations, on the configuration page's speed list and buttons: connect and
// identify (or disconnect), find the clock's speed, change the speed.
#pragma once

#include <mutex>
#include <string>

#include "app/configurator.h"
#include "app/views.h"

namespace tk52 {

class ConnectionOperations final : public NotificationHandler {
 public:
  // Registers "Соединить", "Найти" and "Записать" (the speed), and the news of a device gone
  // from the port, with the configurator.
  ConnectionOperations(Configurator& configurator, ConfigurationView& view);
  ConnectionOperations(const ConnectionOperations&) = delete;
  ConnectionOperations& operator=(const ConnectionOperations&) = delete;

  void connect_or_disconnect();
  void find_device();
  void change_speed();

  // The reader ended on a device that went away: close the port and say so.
  void on_notification(const ReplyNotification& notification) override;

 private:
  // False, after telling the user, when no port has been chosen.
  bool port_chosen();
  std::string connection_description(int speed_position) const;
  // Ends a failed connect or find: port closed, disconnected, lock released, the user told.
  void abort_connection(std::unique_lock<TimedLock>& lock, ResultCode code,
                        const std::string& port_name, bool back_to_first_speed);
  void log_connected(int speed_position);
  void show_device_gone(const std::string& port_name);
  // The line's speed is the server's (raw TCP, or RFC 2217 without COM Port Control).
  void refuse_fixed_speed();

  Configurator& configurator_;
  ConfigurationView& view_;
};

}  // namespace tk52

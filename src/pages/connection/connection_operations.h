// The connection's operations, on the configuration page's speed list and buttons: connect and
// identify (or disconnect), find the clock's speed, change the speed.
#pragma once

#include <mutex>
#include <optional>
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

  // Each tells what it did; the message is the caller's to show. A failure leaves the status
  // text up until then (tell() shows the message and clears it).
  Outcome connect_or_disconnect();
  Outcome find_device();
  Outcome change_speed();

  // The reader ended on a device that went away: close the port and say so.
  void on_notification(const ReplyNotification& notification) override;

 private:
  // Shows an operation's message, then clears its status text.
  void tell(const Outcome& outcome);
  // The refusal when no port has been chosen.
  std::optional<Outcome> no_port_chosen() const;
  std::string connection_description(int speed_position) const;
  // Ends a failed connect or find: port closed, disconnected, lock released; what to tell.
  Outcome abort_connection(std::unique_lock<TimedLock>& lock, ResultCode code,
                           const std::string& port_name, bool back_to_first_speed);
  void log_connected(int speed_position);

  Configurator& configurator_;
  ConfigurationView& view_;
};

}  // namespace tk52

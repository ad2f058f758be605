// The configurator's logic behind the window: the protocol, the port, the traffic log, the
// operations started by the pages' controls, the connected state and the routing of reply
// notifications. It knows the screen only through the view interfaces, so the Windows program,
// tk52cli and the tests drive the very same operations.
//
// Threads: every public member runs on the thread that owns the views (the user interface
// thread). The reader thread reaches it only through UiPoster, which must post and never wait.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/operation_codes.h"
#include "app/settings.h"
#include "app/views.h"
#include "link/serial_port.h"
#include "log/traffic_log.h"
#include "pages/configuration/configuration_options.h"
#include "pages/monitoring/periodic_poller.h"
#include "platform/clock.h"
#include "protocol/protocol.h"

namespace tk52 {

// The chosen port: its name as the system opens it and the number written into the log.
struct SelectedPort {
  std::string name;
  int number = 0;
};
// The number at the end of a port name: 3 for "COM3" or "/dev/pts/3", 0 when there is none.
int port_number(std::string_view name);

// Hands reply notifications and the counters' redraw to the user interface thread.
class UiPoster {
 public:
  virtual ~UiPoster() = default;
  virtual bool post_reply(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
  virtual void counters_changed() = 0;
};

// Receives valid time sentences on the reader thread (the time synchronisation).
class TimeListener {
 public:
  virtual ~TimeListener() = default;
  virtual void on_time(const TimeRecord& time, const CalendarTime& arrival,
                       std::uint32_t arrival_tick) = 0;
};

// A page that takes the reply notifications of its own kind (the journals page takes 0x506).
class NotificationHandler {
 public:
  virtual ~NotificationHandler() = default;
  virtual void on_notification(std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

struct ConfiguratorViews {
  ShellView& shell;
  ConfigurationView& configuration;
  MonitoringView& monitoring;
};

class Configurator {
 public:
  Configurator(const ConfiguratorViews& views, UiPoster& poster, LogLineSink& log_sink,
               SettingsStore& settings, const Clock& clock = SystemClock::instance());
  ~Configurator();
  Configurator(const Configurator&) = delete;
  Configurator& operator=(const Configurator&) = delete;

  void select_port(const SelectedPort& port) { port_choice_ = port; }
  const SelectedPort& selected_port() const { return port_choice_; }

  // Runs the operation of a command control; codes without an operation here do nothing.
  void dispatch(OperationCode code);
  // A reply notification posted by the reader thread, handled on the user interface thread.
  void handle_notification(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);

  // Connection.
  void connect_or_disconnect();
  void find_device();
  void change_speed();
  // Configuration.
  void read_configuration();
  void write_configuration();
  void apply_defaults();
  // Monitoring.
  void request_info();
  void periodic_info_clicked();
  void request_self_test();

  // Switches every page between the connected and the disconnected state.
  void set_connected(bool connected);
  bool connected() const { return connected_; }
  const std::string& connection_text() const { return connection_text_; }
  bool sync_available() const { return sync_available_; }

  void add_listener(ConnectedStateListener& listener) { listeners_.push_back(&listener); }
  void set_journal_handler(NotificationHandler* handler) { journal_handler_ = handler; }

  // Unchecks "Периодический запрос дополнительной информации" and stops the poll (a journal
  // read needs the line to itself). Call without holding the operation lock.
  void stop_periodic_info();
  void set_time_listener(TimeListener* listener) { time_listener_.store(listener); }

  Protocol& protocol() { return protocol_; }
  SerialPort& port() { return *port_; }
  TrafficLog& traffic_log() { return log_; }
  PeriodicPoller& poller() { return poller_; }
  const Clock& clock() const { return clock_; }

  // The clock's result code for the last configuration write that succeeded, or nothing when
  // the reply that ended it was a late configuration (its own never came): what the clock
  // took is then known only by reading it back.
  std::optional<int> last_write_code() const { return last_write_code_; }

  // The configuration as the page holds it now: list positions and the PPS width.
  ConfigurationPositions page_configuration() const;

  // Shows a result code's message box (nothing for the codes of success).
  void show_result(ResultCode code);

 private:
  class Events final : public ProtocolEvents {
   public:
    explicit Events(Configurator& owner) : owner_(owner) {}
    bool post_reply(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) override;
    void log_received(const char* text, std::size_t size, const CalendarTime& arrival,
                      bool good) override;
    void counters_changed() override;
    void time_received(const TimeRecord& time, const CalendarTime& arrival) override;

   private:
    Configurator& owner_;
  };

  void status(StatusText text);
  void clear_status();
  void log_event(std::string_view text);
  std::string connection_description(int speed_position) const;
  // Ends a failed connect or find: port closed, disconnected, lock released, the user told.
  void abort_connection(std::unique_lock<TimedLock>& lock, ResultCode code,
                        const std::string& port_name, bool back_to_first_speed);
  void apply_model_rules(DeviceModelType model);
  void on_configuration_reply(std::uintptr_t form);
  void on_identification_reply();
  void on_info_reply();
  void show_self_test_code(int code);
  void on_device_error_reply();
  // The reader ended on a device that went away: close the port and say so.
  void on_device_gone();
  void set_sync_available(bool available);

  ConfiguratorViews views_;
  UiPoster& poster_;
  SettingsStore& settings_;
  const Clock& clock_;
  TrafficLog log_;
  Events events_{*this};
  Protocol protocol_{events_};
  ProtocolSentenceHandler sentence_handler_{protocol_};
  std::unique_ptr<SerialPort> port_;
  PeriodicPoller poller_;
  std::atomic<TimeListener*> time_listener_{nullptr};
  std::vector<ConnectedStateListener*> listeners_;
  NotificationHandler* journal_handler_ = nullptr;

  SelectedPort port_choice_;
  bool connected_ = false;
  bool sync_available_ = false;
  std::optional<int> last_write_code_;
  std::string connection_text_;
};

}  // namespace tk52

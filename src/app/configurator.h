// The configurator's shared state and its routing. It holds what every page's operations work
// with: the protocol, the port, the traffic log, the chosen port and the connected state. The
// pages (src/pages/<page>) register their operation codes, the reply notifications they take
// and their interest in the connected state here; the configurator never names a page.
//
// Threads: every public member runs on the thread that owns the views (the user interface
// thread). The reader thread reaches it only through UiPoster, which must post and never wait.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/operation_codes.h"
#include "app/settings.h"
#include "app/views.h"
#include "link/serial_port.h"
#include "log/traffic_log.h"
#include "platform/clock.h"
#include "protocol/protocol.h"

namespace tk52 {

// The chosen port: its name as the operator gave it and the system opens it ("COM3",
// "/dev/ttyUSB0", "tcp://host:4001"); the traffic log names it so too.
struct SelectedPort {
  std::string name;
};

// Hands reply notifications and the counters' redraw to the user interface thread.
class UiPoster {
 public:
  virtual ~UiPoster() = default;
  virtual bool post_reply(const ReplyNotification& notification) = 0;
  virtual void counters_changed() = 0;
};

// Receives valid time sentences on the reader thread (the time synchronisation).
class TimeListener {
 public:
  virtual ~TimeListener() = default;
  virtual void on_time(const TimeRecord& time, const CalendarTime& arrival,
                       std::uint32_t arrival_tick) = 0;
};

// A page's handler of the reply notifications of the kinds it registered for.
class NotificationHandler {
 public:
  virtual ~NotificationHandler() = default;
  virtual void on_notification(const ReplyNotification& notification) = 0;
};

class Configurator {
 public:
  Configurator(ShellView& shell, UiPoster& poster, LogLineSink& log_sink, SettingsStore& settings,
               const Clock& clock = SystemClock::instance());
  ~Configurator();
  Configurator(const Configurator&) = delete;
  Configurator& operator=(const Configurator&) = delete;

  // Routing. Pages register while the program starts, before any operation runs.
  using Operation = std::function<void()>;
  void add_operation(OperationCode code, Operation operation);
  // Runs the operation of a command control; codes nobody registered do nothing.
  void dispatch(OperationCode code);
  // A handler takes every notification of its kind, in the order the handlers registered.
  void add_notification_handler(ReplyKind kind, NotificationHandler& handler);
  // A reply notification posted by the reader thread, handled on the user interface thread.
  void handle_notification(const ReplyNotification& notification);
  // Listeners are told in the order they registered.
  void add_listener(ConnectedStateListener& listener) { listeners_.push_back(&listener); }
  void set_time_listener(TimeListener* listener) { time_listener_.store(listener); }

  // The port the connection operations open.
  void select_port(const SelectedPort& port) { port_choice_ = port; }
  const SelectedPort& port_choice() const { return port_choice_; }

  // Switches every page between the connected and the disconnected state.
  void set_connected(bool connected);
  bool connected() const { return connected_; }
  // "Соединение: COM3, 115200, 8N1", shown in status-bar part 0 while connected.
  void set_connection_text(std::string text);
  const std::string& connection_text() const { return connection_text_; }
  // Tells the pages which model the identification reply named.
  void model_identified(DeviceModelType model);
  // Whether the clock's time-stamp format carries the time sentences the synchronisation needs.
  void set_sync_available(bool available);
  bool sync_available() const { return sync_available_; }
  // A journal read needs the line to itself: the pages stop their background requests. Call
  // without holding the operation lock.
  void reserve_line();

  // What the operations share.
  Protocol& protocol() { return protocol_; }
  SerialPort& port() { return *port_; }
  SentenceHandler& sentence_handler() { return sentence_handler_; }
  TrafficLog& traffic_log() { return log_; }
  const Clock& clock() const { return clock_; }
  ShellView& shell() { return shell_; }
  SettingsStore& settings() { return settings_; }

  // Status-bar part 2 while an operation runs, in place at once; clear_status empties it.
  void status(StatusText text);
  void clear_status();
  // An event line of the traffic log, stamped now.
  void log_event(std::string_view text);
  // Shows a message of the catalogue (nothing for MessageId::kNone).
  void report(const Message& message);
  // The clock's refusals that come within the next two seconds answer a request made knowing
  // it would be refused (record 0 of an empty journal): nobody is told of them.
  void expect_device_refusal();

 private:
  class Events final : public ProtocolEvents {
   public:
    explicit Events(Configurator& owner) : owner_(owner) {}
    bool post_reply(const ReplyNotification& notification) override;
    void log_received(const char* text, std::size_t size, const CalendarTime& arrival,
                      bool good) override;
    void counters_changed() override;
    void time_received(const TimeRecord& time, const CalendarTime& arrival) override;

   private:
    Configurator& owner_;
  };

  // PKEXE belongs to no page: the clock refused a request, whichever page sent it.
  void on_device_error_reply();

  ShellView& shell_;
  UiPoster& poster_;
  SettingsStore& settings_;
  const Clock& clock_;
  TrafficLog log_;
  Events events_{*this};
  Protocol protocol_{events_};
  ProtocolSentenceHandler sentence_handler_{protocol_};
  std::unique_ptr<SerialPort> port_;
  std::atomic<TimeListener*> time_listener_{nullptr};

  std::map<OperationCode, Operation> operations_;
  std::multimap<ReplyKind, NotificationHandler*> handlers_;
  std::vector<ConnectedStateListener*> listeners_;

  std::chrono::steady_clock::time_point refusal_expected_until_{};
  SelectedPort port_choice_;
  bool connected_ = false;
  bool sync_available_ = false;
  std::string connection_text_;
};

}  // namespace tk52

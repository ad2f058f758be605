// The configurator without a window: views that keep what the program would show, a queue that
// stands in for the window messages the reader thread posts, and the traffic log written by one
// consumer thread. tk52cli drives the operations through it, and so do the tests.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/configurator.h"
#include "app/timers.h"
#include "app/views.h"
#include "log/line_queue.h"
#include "pages/configuration/configuration_operations.h"
#include "pages/connection/connection_operations.h"
#include "pages/journals/journal_reader.h"
#include "pages/monitoring/monitoring_operations.h"

namespace tk52::cli {

struct ShownMessage {
  std::string title;
  std::string text;
  MessageIcon icon;
};

class HeadlessShell final : public ShellView {
 public:
  void set_status(std::string_view text, bool synchronous) override;
  void set_connection_text(std::string_view text) override { connection_text = text; }
  void show_message(std::string_view title, std::string_view text, MessageIcon icon) override;
  void enable_port_command(bool enabled) override { port_command_enabled = enabled; }

  std::string status;
  std::vector<std::string> status_history;  // every text shown, "" for a clear
  std::string connection_text;
  std::vector<ShownMessage> messages;
  bool port_command_enabled = true;
  // Called for each message as it is shown (tk52cli prints them).
  std::function<void(const ShownMessage&)> on_message;
};

class HeadlessConfigurationView final : public ConfigurationView {
 public:
  int speed_position() override { return speed; }
  void select_speed(int position) override;
  void set_connect_caption(bool connected) override { connect_caption_connected = connected; }
  void enable(ConfigControl control, bool enabled) override { enabled_[control] = enabled; }
  bool is_enabled(ConfigControl control) override;
  int selection(ConfigControl list) override { return selections_[list]; }
  void select(ConfigControl list, int position) override { selections_[list] = position; }
  void set_satellite_none_item(bool present) override { satellite_none_item = present; }
  bool has_satellite_none_item() override { return satellite_none_item; }
  std::string pps_width_text() override { return pps_width; }
  void set_pps_width(int width) override { pps_width = std::to_string(width); }
  void show_identity(std::string_view model, std::string_view hardware,
                     std::string_view software) override;

  int speed = 6;
  std::vector<int> speeds_shown;      // every speed the list showed, in order
  std::function<void(int)> on_speed;  // called with each speed position the list shows
  bool connect_caption_connected = false;
  bool satellite_none_item = true;
  std::string pps_width = "1";
  std::array<std::string, 3> identity;

 private:
  std::map<ConfigControl, bool> enabled_;
  std::map<ConfigControl, int> selections_;
};

class HeadlessMonitoringView final : public MonitoringView {
 public:
  bool periodic_checked() override { return periodic; }
  void set_periodic_checked(bool checked) override { periodic = checked; }
  void enable(MonitoringControl control, bool enabled) override { enabled_[control] = enabled; }
  void set_field(InfoField field, std::string_view text) override { fields[field] = text; }
  void enable_field(InfoField field, bool enabled) override { fields_enabled[field] = enabled; }
  bool is_enabled(MonitoringControl control) { return enabled_[control]; }

  bool periodic = false;
  std::map<InfoField, std::string> fields;
  std::map<InfoField, bool> fields_enabled;

 private:
  std::map<MonitoringControl, bool> enabled_;
};

class HeadlessJournalsView final : public JournalsView {
 public:
  int journal_type() override { return type; }
  std::string records_wanted_text() override { return wanted; }
  void set_records_wanted_text(std::string_view text) override { wanted = text; }
  void set_total_text(std::string_view text) override { total = text; }
  void enable_controls(bool enabled) override { controls_enabled = enabled; }
  void enable_commands(bool enabled) override { commands_enabled = enabled; }
  void append_line(std::string_view line) override;
  void clear_lines() override;

  int type = 0;
  std::string wanted = "50";
  std::string total;
  bool controls_enabled = true;
  bool commands_enabled = false;
  // Called with each line as appended, CR LF included (tk52cli writes them out).
  std::function<void(const std::string&)> on_line;
  std::vector<std::string> lines;  // Windows-1251, without CR LF
};

// Timers fired from the front end's loop, after the notifications, like WM_TIMER.
class HeadlessTimers final : public TimerService {
 public:
  void start(int id, std::chrono::milliseconds period) override;
  void stop(int id) override { due_.erase(id); }
  bool running(int id) const override { return due_.count(id) != 0; }
  // The timers due now; each is rescheduled one period on.
  std::vector<int> take_due();

 private:
  struct Timer {
    std::chrono::steady_clock::time_point next;
    std::chrono::milliseconds period;
  };
  std::map<int, Timer> due_;
};

// Stands in for the window messages: the reader thread posts, the front end's thread handles.
class NotificationQueue final : public UiPoster {
 public:
  bool post_reply(const ReplyNotification& notification) override;
  void counters_changed() override;

  std::deque<ReplyNotification> take_all();
  int redraws() const;

 private:
  mutable std::mutex mutex_;
  std::deque<ReplyNotification> queue_;
  int redraws_ = 0;
};

class MemorySettings final : public SettingsStore {
 public:
  void save(const Settings& settings) override { saved.push_back(settings); }
  std::vector<Settings> saved;
};

// Everything together. `line_consumer` receives each traffic-log line (Windows-1251) in order.
class HeadlessConfigurator {
 public:
  explicit HeadlessConfigurator(LineQueue::Consumer line_consumer,
                                const Clock& clock = SystemClock::instance());
  ~HeadlessConfigurator();

  // Handles the notifications posted so far, then the timers that are due, as the message loop
  // would between operations.
  void pump();
  // Pumps until `done` holds or `timeout` passes; returns `done`'s last value.
  bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  HeadlessShell shell;
  HeadlessConfigurationView configuration;
  HeadlessMonitoringView monitoring;
  HeadlessJournalsView journals;
  HeadlessTimers timers;
  NotificationQueue notifications;
  MemorySettings settings;
  LineQueue log_lines;
  std::unique_ptr<Configurator> configurator;
  std::unique_ptr<ConnectionOperations> connection_operations;
  std::unique_ptr<ConfigurationOperations> configuration_operations;
  std::unique_ptr<MonitoringOperations> monitoring_operations;
  std::unique_ptr<JournalReader> journal_reader;
};

}  // namespace tk52::cli

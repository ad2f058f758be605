// What the operations need of the screen. The Windows program implements these interfaces with
// its windows; tk52cli and the tests implement them with text and records. All calls are made
// on the thread that runs the operations (the user interface thread), and all texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "protocol/device_model.h"

namespace tk52 {

enum class MessageIcon { kInformation, kWarning, kError, kQuestion };

// The main window: status bar, message boxes, menu.
class ShellView {
 public:
  virtual ~ShellView() = default;
  // Status-bar part 2; an empty text clears it. Synchronous: in place when the call returns.
  virtual void set_status(std::string_view text, bool synchronous) = 0;
  // Status-bar part 0: "Нет соединения" or the connection description.
  virtual void set_connection_text(std::string_view text) = 0;
  virtual void show_message(std::string_view title, std::string_view text, MessageIcon icon) = 0;
  // The menu command "COM-порт".
  virtual void enable_port_command(bool enabled) = 0;
};

// The controls of the configuration page that the operations read or change.
enum class ConfigControl {
  kSpeedList,
  kConnect,
  kFind,
  kSpeedWrite,
  kRead,
  kWrite,
  kDefaults,
  kTimeStampFormat,
  kSatelliteSystems,
  kUtcReference,
  kHeating,
  kPpsSource,
  kPpsWidth,
};

class ConfigurationView {
 public:
  virtual ~ConfigurationView() = default;
  // Position 0..6 of the speed list.
  virtual int speed_position() = 0;
  // Selects a speed and repaints the list at once (the find operation shows each speed tried).
  virtual void select_speed(int position) = 0;
  virtual void set_connect_caption(bool connected) = 0;
  // Enables or disables a control and repaints it at once.
  virtual void enable(ConfigControl control, bool enabled) = 0;
  virtual bool is_enabled(ConfigControl control) = 0;
  // List positions of the option lists.
  virtual int selection(ConfigControl list) = 0;
  virtual void select(ConfigControl list, int position) = 0;
  // The satellite systems list holds "Отсутствует" at the top on models 3 and 4 only.
  virtual void set_satellite_none_item(bool present) = 0;
  virtual bool has_satellite_none_item() = 0;
  virtual std::string pps_width_text() = 0;
  virtual void set_pps_width(int width) = 0;
  // The three identity fields; empty texts clear them.
  virtual void show_identity(std::string_view model, std::string_view hardware,
                             std::string_view software) = 0;
};

enum class InfoField {
  kSatellites,
  kTemperature,
  kHeating,
  kSelfTestCode,
  kStatus,
  kLatitude,
  kLongitude,
  kAltitude,
};

enum class MonitoringControl { kPeriodicCheck, kRequestInfo, kRequestSelfTest };

class MonitoringView {
 public:
  virtual ~MonitoringView() = default;
  virtual bool periodic_checked() = 0;
  virtual void set_periodic_checked(bool checked) = 0;
  virtual void enable(MonitoringControl control, bool enabled) = 0;
  virtual void set_field(InfoField field, std::string_view text) = 0;
  virtual void enable_field(InfoField field, bool enabled) = 0;
};

// The event journals page.
class JournalsView {
 public:
  virtual ~JournalsView() = default;
  // The selected journal type's list position, 0..2.
  virtual int journal_type() = 0;
  // "Количество записей": how many records to read.
  virtual std::string records_wanted_text() = 0;
  virtual void set_records_wanted_text(std::string_view text) = 0;
  // "Всего записей": the journal's record count.
  virtual void set_total_text(std::string_view text) = 0;
  // Everything but the journal view, disabled for the length of a read pass.
  virtual void enable_controls(bool enabled) = 0;
  // The three command buttons, which follow the connected state.
  virtual void enable_commands(bool enabled) = 0;
  // Appends a Windows-1251 line to "event_journal.txt" and its view.
  virtual void append_line(std::string_view line) = 0;
  virtual void clear_lines() = 0;
};

// Pages that follow the configurator's shared state.
class ConnectedStateListener {
 public:
  virtual ~ConnectedStateListener() = default;
  virtual void on_connected_changed(bool connected) = 0;
  virtual void on_model_identified(DeviceModelType /*model*/) {}
  virtual void on_sync_availability(bool /*available*/) {}
  // Another page needs the line to itself: stop any requests sent in the background.
  virtual void on_line_reserved() {}
};

}  // namespace tk52

// Time synchronisation: compares the PC clock with the clock's UTC time on every valid time
// sentence, and sets the PC clock from it on request, periodically, or when the difference
// reaches a threshold. Also runs the watchdog that notices a pause in time sentences.
//
// Threads: on_time runs on the serial reader thread; the operations, the availability updates
// and the setting changes on the interface thread; the watchdog on a thread of its own, for the
// object's whole life; the period ticks on whatever thread the PeriodTimer uses. Settings, flags
// and the valid run are shared under one lock. Nothing on the reader thread waits for the
// interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "app/configurator.h"
#include "app/operation_codes.h"
#include "app/views.h"
#include "log/traffic_log.h"
#include "pages/sync/clock_setter.h"
#include "pages/sync/local_time.h"
#include "pages/sync/period_timer.h"
#include "pages/sync/sync_settings.h"
#include "pages/sync/sync_view.h"
#include "platform/clock.h"
#include "platform/sync_primitives.h"

namespace tk52 {

// The traffic log line of a failed clock setting: "Не удалось установить время ПК (1)."
std::string clock_set_failure_text(int error);

struct TimeSyncParts {
  SyncView& view;
  // Released once per valid time sentence before on_time is called (Protocol::time_valid).
  Semaphore& time_valid;
  TrafficLog& log;
  // The clock whose tick count stamps each sentence's "$" (the Configurator's).
  const Clock& clock;
  const TimeZone& zone;
  ClockSetter& setter;
  std::unique_ptr<PeriodTimer> timer;
};

class TimeSync final : public TimeListener, public ConnectedStateListener {
 public:
  // Starts the watchdog. Made on the interface thread, after the page's controls exist.
  explicit TimeSync(TimeSyncParts parts);
  // Stops the watchdog and the timer. The reader thread must have ended (port closed) or no
  // longer call on_time.
  ~TimeSync() override;
  TimeSync(const TimeSync&) = delete;
  TimeSync& operator=(const TimeSync&) = delete;

  // Reader thread: a time sentence with status "A".
  void on_time(const TimeRecord& time, const CalendarTime& arrival,
               std::uint32_t arrival_tick) override;

  // Interface thread: the availability update's two inputs.
  void on_connected_changed(bool connected) override;
  void on_sync_availability(bool available) override;

  // Interface thread: runs the operation of codes 4109..4112; false for any other code.
  bool dispatch(OperationCode code);
  // "Синхронизировать время ПК": the next valid time sentence sets the PC clock.
  void synchronise_now();
  // "Включить" was clicked; its check state is read from the view.
  void automatic_clicked();
  // The mode radio buttons.
  void periodic_selected();
  void threshold_selected();
  // The setting fields, already in their ranges (setting_field_value).
  void set_period_seconds(int seconds);
  void set_threshold_ms(int milliseconds);

  SyncSettings settings() const;

 private:
  void update_availability();
  void enable_mode_controls(bool enabled);
  void apply_periodic(bool forced);
  void apply_threshold(bool forced);
  // The caller holds mutex_.
  void start_timer();
  void stop_timer();
  void on_period_tick();
  // Raises the valid run and decides whether this sentence sets the clock, taking the request.
  bool decide(std::int64_t difference_ms);
  void synchronise(const CalendarTime& utc, std::uint32_t arrival_tick);
  void watch();
  void sentence_arrived();
  void sentences_paused();

  SyncView& view_;
  Semaphore& time_valid_;
  TrafficLog& log_;
  const Clock& clock_;
  const TimeZone& zone_;
  ClockSetter& setter_;
  std::unique_ptr<PeriodTimer> timer_;

  mutable std::mutex mutex_;
  SyncSettings settings_;
  bool periodic_due_ = false;
  bool manual_request_ = false;
  int valid_run_ = 0;
  bool timer_running_ = false;
  // Mirrors of the check box and the manual button, so that the watchdog never reads a window.
  bool automatic_on_ = false;
  bool manual_enabled_ = false;

  // Interface thread only.
  bool format_available_ = false;
  bool connected_ = false;
  bool mode_controls_enabled_ = false;

  std::atomic<bool> stopping_{false};
  std::thread watchdog_;
};

}  // namespace tk52

#include "pages/sync/time_sync.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "pages/sync/clock_comparison.h"

namespace tk52 {
namespace {

// No synchronisation before this many consecutive valid time sentences: a clock that has just
// started sending, or resumed after a pause, may still be settling.
constexpr int kValidRunNeeded = 3;
// The clock sends a time sentence every second; this long without one is a pause.
constexpr std::chrono::milliseconds kSentencePause{1200};

std::string_view synchronising_text() {
  return status_text(static_cast<int>(StatusText::kSynchronising));
}

CalendarTime calendar_of(const TimeRecord& t) {
  return {t.year, t.month, t.day_of_week, t.day, t.hour, t.minute, t.second, t.milliseconds};
}

}  // namespace

std::string clock_set_failure_text(int error) {
  char text[96];
  std::snprintf(text, sizeof text, "Не удалось установить время ПК (%d).", error);
  return text;
}

// The parts come by value: the period timer in them is handed over.
// cppcheck-suppress passedByValue
TimeSync::TimeSync(TimeSyncParts parts)
    : view_(parts.view),
      time_valid_(parts.time_valid),
      log_(parts.log),
      clock_(parts.clock),
      zone_(parts.zone),
      setter_(parts.setter),
      timer_(std::move(parts.timer)),
      automatic_on_(view_.automatic_checked()) {
  update_availability();
  watchdog_ = std::thread([this] { watch(); });
}

TimeSync::~TimeSync() {
  stopping_.store(true);
  // Wakes the watchdog wherever it waits; should the count be at its maximum already, the
  // watchdog takes that one instead.
  time_valid_.release();
  watchdog_.join();
  {
    std::lock_guard lock(mutex_);
    stop_timer();
  }
  // A tick in flight finishes before the timer is gone, while everything it uses still exists.
  timer_.reset();
}

void TimeSync::on_time(const TimeRecord& time, const CalendarTime& arrival,
                       std::uint32_t arrival_tick) {
  const CalendarTime utc = calendar_of(time);
  const std::string utc_text = clock_text(utc);
  const std::string pc_text = clock_text(arrival);
  // The parsers let a month 19 or an hour 25 through; such a time has no local time.
  const std::optional<CalendarTime> device_local =
      is_calendar_time(utc) ? zone_.to_local(utc) : std::nullopt;
  if (!device_local) {
    view_.show_times(utc_text, pc_text, {});
    return;
  }
  const std::int64_t difference = clock_difference_ms(arrival, *device_local);
  view_.show_times(utc_text, pc_text, difference_text(difference));
  if (decide(difference))
    synchronise(utc, arrival_tick);
}

bool TimeSync::decide(std::int64_t difference_ms) {
  std::lock_guard lock(mutex_);
  if (valid_run_ < kValidRunNeeded)
    ++valid_run_;
  if (valid_run_ < kValidRunNeeded)
    return false;
  bool due = false;
  switch (settings_.mode) {
    case SyncMode::kThreshold: {
      const std::int64_t magnitude = difference_ms < 0 ? -difference_ms : difference_ms;
      due = magnitude >= settings_.threshold_ms;
      break;
    }
    case SyncMode::kPeriodic:
      due = periodic_due_;
      break;
    case SyncMode::kManual:
      due = manual_request_;
      break;
  }
  // Taken with the decision rather than once the clock is set, so that a click or a tick
  // that comes while the clock is being set is kept for the next sentence instead of lost.
  if (due) {
    periodic_due_ = false;
    manual_request_ = false;
  }
  return due;
}

void TimeSync::synchronise(const CalendarTime& utc, std::uint32_t arrival_tick) {
  view_.set_status(synchronising_text(), false);
  // The clock's time was that of the sentence's "$"; the PC clock is set later by the time the
  // rest of the sentence and its handling took.
  const CalendarTime now_utc = add_latency(utc, elapsed_ticks(arrival_tick, clock_.tick_ms()));
  const int error = setter_.set_utc(now_utc);
  view_.set_status({}, false);
  if (error == 0) {
    log_.log_event(traffic_event_text(TrafficEvent::kClockSynchronised), now_utc);
  } else {
    // A PC clock left as it was is not a synchronisation: say so, with the system's reason.
    log_.log_event(clock_set_failure_text(error), clock_.local_now());
  }
}

void TimeSync::on_connected_changed(bool connected) {
  connected_ = connected;
  update_availability();
}

void TimeSync::on_sync_availability(bool available) {
  format_available_ = available;
  update_availability();
}

void TimeSync::update_availability() {
  const bool available = format_available_ && connected_;
  if (!available) {
    {
      std::lock_guard lock(mutex_);
      stop_timer();
      manual_enabled_ = false;
      view_.enable_manual_button(false);
    }
    view_.show_times({}, {}, {});
  }
  view_.enable_automatic_box(available);
  enable_mode_controls(available && view_.automatic_checked());
}

void TimeSync::enable_mode_controls(bool enabled) {
  const bool becomes_enabled = enabled && !mode_controls_enabled_;
  mode_controls_enabled_ = enabled;
  view_.enable_mode_controls(enabled);
  // A mode radio button that becomes enabled while checked applies its mode, even the one
  // already set: the period timer may have been stopped meanwhile.
  if (!becomes_enabled)
    return;
  if (view_.checked_mode() == SyncMode::kThreshold) {
    apply_threshold(true);
  } else {
    apply_periodic(true);
  }
}

bool TimeSync::dispatch(OperationCode code) {
  switch (code) {
    case OperationCode::kSynchroniseNow:
      synchronise_now();
      return true;
    case OperationCode::kAutoSync:
      automatic_clicked();
      return true;
    case OperationCode::kSyncPeriodic:
      periodic_selected();
      return true;
    case OperationCode::kSyncThreshold:
      threshold_selected();
      return true;
    default:
      return false;
  }
}

void TimeSync::synchronise_now() {
  {
    std::lock_guard lock(mutex_);
    manual_request_ = true;
  }
  view_.set_status(synchronising_text(), true);
}

void TimeSync::automatic_clicked() {
  const bool checked = view_.automatic_checked();
  {
    std::lock_guard lock(mutex_);
    automatic_on_ = checked;
    if (checked) {
      manual_enabled_ = false;
      view_.enable_manual_button(false);
    } else {
      // A running period timer keeps running; its ticks lead nowhere in manual mode.
      settings_.mode = SyncMode::kManual;
    }
  }
  enable_mode_controls(checked);
}

void TimeSync::periodic_selected() {
  apply_periodic(false);
}

void TimeSync::threshold_selected() {
  apply_threshold(false);
}

void TimeSync::apply_periodic(bool forced) {
  const int seconds = view_.period_seconds();
  std::lock_guard lock(mutex_);
  if (!forced && settings_.mode == SyncMode::kPeriodic)
    return;
  settings_.mode = SyncMode::kPeriodic;
  settings_.period_ms = static_cast<std::uint32_t>(seconds) * 1000;
  start_timer();
}

void TimeSync::apply_threshold(bool forced) {
  const int threshold = view_.threshold_ms();
  std::lock_guard lock(mutex_);
  if (!forced && settings_.mode == SyncMode::kThreshold)
    return;
  stop_timer();
  settings_.mode = SyncMode::kThreshold;
  settings_.threshold_ms = static_cast<std::uint32_t>(threshold);
}

void TimeSync::set_period_seconds(int seconds) {
  std::lock_guard lock(mutex_);
  settings_.period_ms = static_cast<std::uint32_t>(seconds) * 1000;
  if (settings_.mode == SyncMode::kPeriodic)
    start_timer();
}

void TimeSync::set_threshold_ms(int milliseconds) {
  std::lock_guard lock(mutex_);
  settings_.threshold_ms = static_cast<std::uint32_t>(milliseconds);
}

SyncSettings TimeSync::settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

void TimeSync::start_timer() {
  timer_running_ = true;
  timer_->start(std::chrono::milliseconds(settings_.period_ms), [this] { on_period_tick(); });
}

void TimeSync::stop_timer() {
  timer_running_ = false;
  timer_->stop();
}

void TimeSync::on_period_tick() {
  {
    std::lock_guard lock(mutex_);
    // A tick that began before the timer was stopped.
    if (!timer_running_)
      return;
    periodic_due_ = true;
    // Restarted so that the next tick follows the current period.
    start_timer();
  }
  view_.set_status(synchronising_text(), false);
}

void TimeSync::watch() {
  bool arriving = false;
  for (;;) {
    bool released = false;
    if (arriving) {
      released = time_valid_.acquire_for(kSentencePause);
    } else {
      // Without a time limit: the bound only keeps the wait's deadline arithmetic small.
      while (!time_valid_.acquire_for(std::chrono::hours(1))) {
      }
      released = true;
    }
    if (stopping_.load())
      return;
    arriving = released;
    if (released) {
      sentence_arrived();
    } else {
      sentences_paused();
    }
  }
}

void TimeSync::sentence_arrived() {
  std::lock_guard lock(mutex_);
  if (!manual_enabled_ && !automatic_on_) {
    manual_enabled_ = true;
    view_.enable_manual_button(true);
  }
}

void TimeSync::sentences_paused() {
  {
    std::lock_guard lock(mutex_);
    valid_run_ = 0;
    periodic_due_ = false;
    manual_request_ = false;
    manual_enabled_ = false;
    view_.enable_manual_button(false);
  }
  view_.show_times({}, {}, {});
  view_.set_status({}, true);
}

}  // namespace tk52

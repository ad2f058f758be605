// Stand-ins for what the time synchronisation is given: a page that records what it is shown,
// a clock whose tick count the test sets, a fixed time zone, a clock setter that only records,
// a timer that ticks when the test says, and a traffic log kept in memory.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "log/traffic_log.h"
#include "pages/sync/clock_setter.h"
#include "pages/sync/local_time.h"
#include "pages/sync/period_timer.h"
#include "pages/sync/sync_view.h"
#include "platform/clock.h"
#include "platform/text_1251.h"

namespace tk52::test {

// Waits for a condition under a mutex that the stand-ins' calls notify. Every wait is bounded.
class Observed {
 public:
  template <class Predicate>
  bool wait_until(Predicate ready, std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, ready);
  }

 protected:
  template <class Change>
  void change(Change apply) {
    {
      std::lock_guard lock(mutex_);
      apply();
    }
    changed_.notify_all();
  }
  template <class Read>
  auto read(Read get) {
    std::lock_guard lock(mutex_);
    return get();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

struct ShownTimes {
  std::string utc;
  std::string pc;
  std::string difference;
};

// Members without a lock are the interface thread's: the test's own thread.
class RecordingSyncView final : public SyncView, public Observed {
 public:
  void show_times(std::string_view utc, std::string_view pc, std::string_view difference) override {
    change([&] { shown_.push_back({std::string(utc), std::string(pc), std::string(difference)}); });
  }
  void enable_manual_button(bool enabled) override {
    change([&] {
      manual_enabled_ = enabled;
      manual_history_.push_back(enabled);
    });
  }
  void set_status(std::string_view text, bool synchronous) override {
    change([&] { statuses_.push_back({std::string(text), synchronous}); });
  }
  void enable_automatic_box(bool enabled) override { automatic_box_enabled = enabled; }
  bool automatic_checked() override { return automatic; }
  void enable_mode_controls(bool enabled) override { mode_controls_enabled = enabled; }
  SyncMode checked_mode() override { return radio; }
  int period_seconds() override { return period; }
  int threshold_ms() override { return threshold; }

  std::vector<ShownTimes> shown() {
    return read([&] { return shown_; });
  }
  ShownTimes last_shown() {
    return read([&] { return shown_.empty() ? ShownTimes{} : shown_.back(); });
  }
  bool manual_enabled() {
    return read([&] { return manual_enabled_; });
  }
  // Every enable_manual_button call, in order.
  std::vector<bool> manual_history() {
    return read([&] { return manual_history_; });
  }
  struct Status {
    std::string text;
    bool synchronous;
  };
  std::vector<Status> statuses() {
    return read([&] { return statuses_; });
  }
  // For wait_until: read under the lock the predicate runs under.
  bool manual_enabled_locked() const { return manual_enabled_; }
  const ShownTimes* last_shown_locked() const { return shown_.empty() ? nullptr : &shown_.back(); }
  const std::vector<Status>& statuses_locked() const { return statuses_; }

  bool automatic_box_enabled = true;
  bool automatic = false;
  bool mode_controls_enabled = true;
  SyncMode radio = SyncMode::kPeriodic;
  int period = 60;
  int threshold = 30;

 private:
  std::vector<ShownTimes> shown_;
  std::vector<Status> statuses_;
  bool manual_enabled_ = true;
  std::vector<bool> manual_history_;
};

class FakeClock final : public Clock {
 public:
  CalendarTime local_now() const override { return local; }
  CalendarTime utc_now() const override { return local; }
  std::uint32_t tick_ms() const override { return tick; }

  CalendarTime local{2024, 5, 0, 17, 10, 0, 0, 0};
  std::uint32_t tick = 0;
};

// A calendar time as a point on the system clock's time line.
inline std::chrono::sys_time<std::chrono::milliseconds> as_sys_time(const CalendarTime& t) {
  using namespace std::chrono;
  return sys_days{year{t.year} / month{t.month} / t.day} + hours{t.hour} + minutes{t.minute} +
         seconds{t.second} + milliseconds{t.milliseconds};
}

// Local time is UTC plus a fixed offset, with the calendar's carries.
class FixedOffsetZone final : public TimeZone {
 public:
  explicit FixedOffsetZone(std::chrono::minutes offset) : offset_(offset) {}
  std::optional<CalendarTime> to_local(const CalendarTime& utc) const override {
    using namespace std::chrono;
    const sys_time<milliseconds> local = as_sys_time(utc) + offset_;
    const sys_days local_day = floor<days>(local);
    const year_month_day date{local_day};
    const hh_mm_ss<milliseconds> time{local - local_day};
    auto u16 = [](auto value) { return static_cast<std::uint16_t>(value); };
    return CalendarTime{
        u16(int{date.year()}),       u16(unsigned{date.month()}),   0,
        u16(unsigned{date.day()}),   u16(time.hours().count()),     u16(time.minutes().count()),
        u16(time.seconds().count()), u16(time.subseconds().count())};
  }

 private:
  std::chrono::minutes offset_;
};

class RecordingSetter final : public ClockSetter, public Observed {
 public:
  int set_utc(const CalendarTime& utc) override {
    change([&] {
      set_.push_back(utc);
      if (on_set_)
        on_set_(utc);
    });
    return error;
  }
  std::vector<CalendarTime> set() {
    return read([&] { return set_; });
  }
  std::size_t count_locked() const { return set_.size(); }

  // What set_utc returns; set before the first call.
  int error = 0;
  // `observe` runs on the setting thread, under the setter's lock, for each call from now on.
  void when_set(std::function<void(const CalendarTime&)> observe) {
    change([&] { on_set_ = std::move(observe); });
  }

 private:
  std::function<void(const CalendarTime&)> on_set_;
  std::vector<CalendarTime> set_;
};

// Ticks only when the test calls fire().
class ManualTimer final : public PeriodTimer {
 public:
  struct State {
    bool running = false;
    std::chrono::milliseconds period{0};
    Tick tick;
  };
  // The timer goes to TimeSync; the state stays with the test.
  explicit ManualTimer(State& state) : state_(state) {}
  void start(std::chrono::milliseconds period, Tick tick) override {
    state_ = {true, period, std::move(tick)};
  }
  void stop() override { state_.running = false; }

 private:
  State& state_;
};

// The traffic log's lines, in UTF-8.
class MemoryLog final : public LogLineSink {
 public:
  void append_line(std::string line) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(cp1251_to_utf8(line));
  }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace tk52::test

#include "sync_cli.h"

#include "cli_common.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "headless.h"
#include "json_writer.h"
#include "link/serial_port.h"
#include "pages/sync/clock_setter.h"
#include "pages/sync/local_time.h"
#include "pages/sync/period_timer.h"
#include "pages/sync/time_sync.h"

namespace tk52::cli {

const char* const kSyncUsage =
    "  sync watch [--seconds S]    for each valid time sentence, the clock's UTC time, the PC's\n"
    "                              local time at its arrival and their difference in seconds,\n"
    "                              as the synchronisation page shows them; S seconds or until\n"
    "                              interrupted\n"
    "  sync now                    set the PC clock from the clock once, as the page's button\n"
    "                              does (needs the right to set the system time)\n";

namespace {

using Steady = std::chrono::steady_clock;

// The clock sends a time sentence each second: the manual button comes within two, and a
// request is carried out within about three more (three valid sentences in a row).
constexpr std::chrono::seconds kFirstSentenceBound{5};
constexpr std::chrono::seconds kSynchronisationBound{10};

struct ShownTimes {
  std::string utc;
  std::string pc;
  std::string difference;
};

// The synchronisation page without a window: keeps what the reader and watchdog threads show
// for the command's thread. Automatic synchronisation stays off.
class CliSyncView final : public SyncView {
 public:
  void show_times(std::string_view utc, std::string_view pc, std::string_view difference) override {
    // Empty texts clear the fields after a pause or a disconnect: nothing to print.
    if (utc.empty())
      return;
    {
      std::lock_guard lock(mutex_);
      times_.push_back({std::string(utc), std::string(pc), std::string(difference)});
    }
    changed_.notify_all();
  }
  void enable_manual_button(bool enabled) override {
    {
      std::lock_guard lock(mutex_);
      manual_enabled_ = enabled;
    }
    changed_.notify_all();
  }
  void set_status(std::string_view, bool) override {}
  void enable_automatic_box(bool) override {}
  bool automatic_checked() override { return false; }
  void enable_mode_controls(bool) override {}
  SyncMode checked_mode() override { return SyncMode::kPeriodic; }
  // The page's initial positions.
  int period_seconds() override { return 60; }
  int threshold_ms() override { return 30; }

  // The times shown since the last call, waiting up to `bound` for the first.
  std::deque<ShownTimes> take_times(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [this] { return !times_.empty(); });
    return std::exchange(times_, {});
  }

  bool wait_for_manual_button(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [this] { return manual_enabled_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ShownTimes> times_;
  bool manual_enabled_ = false;
};

struct ClockSetting {
  CalendarTime utc;
  int error;
};

// Sets the system clock and keeps the outcome for the command's thread.
class ReportingClockSetter final : public ClockSetter {
 public:
  int set_utc(const CalendarTime& utc) override {
    const int error = system_.set_utc(utc);
    {
      std::lock_guard lock(mutex_);
      setting_ = ClockSetting{utc, error};
    }
    done_.notify_all();
    return error;
  }

  std::optional<ClockSetting> wait(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    done_.wait_for(lock, bound, [this] { return setting_.has_value(); });
    return setting_;
  }

 private:
  SystemClockSetter system_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::optional<ClockSetting> setting_;
};

// One device session with the synchronisation listening to the link.
class SyncSession {
 public:
  explicit SyncSession(const GlobalOptions& options)
      : options_(options), front_([this](const std::string& line) { log_file_.write(line); }) {
    if (!options.log_path.empty())
      log_opened_ = log_file_.open(options.log_path);
    front_.shell.on_message = [](const ShownMessage& m) { print_error("%s\n", m.text.c_str()); };
    Configurator& c = *front_.configurator;
    c.add_listener(sync_);
    c.set_time_listener(&sync_);
  }
  ~SyncSession() { finish(kExitSuccess); }

  // Disconnects and closes the traffic log; the command's exit code, or a failure when the
  // log or the output could not be written.
  int finish(int status) {
    if (!finished_) {
      finished_ = true;
      // The port closes, and with it the reader thread, while the synchronisation still exists.
      Configurator& c = *front_.configurator;
      if (c.connected()) {
        front_.connection_operations->connect_or_disconnect();
        front_.pump();
      }
      c.set_time_listener(nullptr);
      front_.log_lines.flush();
      log_file_.close();
    }
    if (log_file_.failed() || output_failed())
      return kExitFailure;
    return status;
  }
  SyncSession(const SyncSession&) = delete;
  SyncSession& operator=(const SyncSession&) = delete;

  bool log_file_failed() const { return !log_opened_; }

  // Connects and reports whether the clock sends a time the synchronisation can use.
  bool connect() {
    if (!options_.port.empty())
      front_.configurator->select_port({.name = options_.port});
    const Configurator& c = *front_.configurator;
    front_.configuration.speed = speed_index(options_.baud);
    const Outcome outcome = front_.connection_operations->connect_or_disconnect();
    front_.pump();
    if (!outcome.ok()) {
      report(outcome);
      return false;
    }
    if (!c.sync_available()) {
      print_error(
          "tk52cli: the clock's time stamp is neither \"ТК-52\" nor \"ТК-52 (UNIX)\": "
          "it sends no time to compare (tk52cli config write --time-format 2)\n");
      return false;
    }
    return true;
  }

  HeadlessConfigurator& front() { return front_; }
  CliSyncView& view() { return view_; }
  TimeSync& sync() { return sync_; }
  ReportingClockSetter& setter() { return setter_; }

 private:
  GlobalOptions options_;
  CliLogFile log_file_;
  bool log_opened_ = true;
  bool finished_ = false;
  HeadlessConfigurator front_;
  CliSyncView view_;
  ReportingClockSetter setter_;
  SystemTimeZone zone_;
  TimeSync sync_{{view_, front_.configurator->protocol().time_valid(),
                  front_.configurator->traffic_log(), front_.configurator->clock(), zone_, setter_,
                  std::make_unique<ThreadPeriodTimer>()}};
};

std::string times_json(const ShownTimes& t) {
  return JsonObject().add("utc", t.utc).add("pc", t.pc).add("difference", t.difference).str();
}

std::string date_time_text(const CalendarTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d.%.3d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.milliseconds);
  return text;
}

int run_watch(SyncSession& session, int seconds) {
  if (!session.connect())
    return kExitFailure;
  const auto end = Steady::now() + std::chrono::seconds(seconds);
  long long shown = 0;
  while (!interrupted() && (seconds < 0 || Steady::now() < end)) {
    for (const ShownTimes& t : session.view().take_times(std::chrono::milliseconds(100))) {
      print_line(times_json(t));
      ++shown;
    }
    session.front().pump();
    // A line that hung up or an adapter pulled out disconnects; the device's message is shown.
    if (!session.front().configurator->connected()) {
      print_error("tk52cli: the link to the clock was lost during the watch\n");
      return kExitFailure;
    }
  }
  if (interrupted())
    return kExitInterrupted;
  if (shown == 0) {
    print_error("tk52cli: no valid time sentence from the clock\n");
    return kExitFailure;
  }
  return kExitSuccess;
}

int run_now(SyncSession& session) {
  if (!session.connect())
    return kExitFailure;
  if (!session.view().wait_for_manual_button(kFirstSentenceBound)) {
    print_error("tk52cli: no valid time sentence from the clock\n");
    return kExitFailure;
  }
  session.sync().synchronise_now();
  const std::optional<ClockSetting> setting = session.setter().wait(kSynchronisationBound);
  if (!setting) {
    print_error("tk52cli: the clock's time sentences stopped before the clock was set\n");
    return kExitFailure;
  }
  if (setting->error != 0) {
    print_error("%s\n", clock_set_failure_text(setting->error).c_str());
    return kExitFailure;
  }
  std::string difference;
  for (const ShownTimes& t : session.view().take_times(std::chrono::milliseconds(0)))
    difference = t.difference;
  print_line(JsonObject()
                 .add("utc_set", date_time_text(setting->utc))
                 .add("difference_before", difference)
                 .str());
  return kExitSuccess;
}

}  // namespace

int run_sync_command(const std::vector<std::string_view>& args, const GlobalOptions& options) {
  int seconds = -1;
  const bool watch = !args.empty() && args[0] == "watch";
  if (watch && args.size() == 3 && args[1] == "--seconds") {
    if (args[2].empty())
      return usage_error("--seconds takes a number of seconds");
    seconds = 0;
    for (const char c : args[2]) {
      if (c < '0' || c > '9' || seconds > 1'000'000)
        return usage_error("--seconds takes a number of seconds");
      seconds = seconds * 10 + (c - '0');
    }
  } else if (!(watch && args.size() == 1) && !(args.size() == 1 && args[0] == "now")) {
    return usage_error("sync takes watch [--seconds S] or now");
  }
  catch_interrupts();
  SyncSession session(options);
  if (session.log_file_failed())
    return kExitFailure;
  return session.finish(watch ? run_watch(session, seconds) : run_now(session));
}

}  // namespace tk52::cli

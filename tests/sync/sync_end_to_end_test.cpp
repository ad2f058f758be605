// The synchronisation on the real link: tk52sim on a pseudo-terminal, the real serial port and
// reader thread, the real tick count and time zone. Only the clock setter is a recorder.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "headless.h"
#include "pages/sync/time_sync.h"
#include "platform/text_1251.h"
#include "simulator.h"
#include "sync_fakes.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using test::RecordingSetter;
using test::RecordingSyncView;

class SyncEndToEndTest : public ::testing::Test {
 protected:
  SyncEndToEndTest() {
    Configurator& c = *front_.configurator;
    c.add_listener(sync_);
    c.set_time_listener(&sync_);
  }

  // A new simulator with `sim_args`, and the PC connected to it.
  void start(const std::vector<std::string>& sim_args) {
    disconnect();
    sim_ = test::Simulator::start(sim_args);
    ASSERT_NE(sim_, nullptr);
    Configurator& c = *front_.configurator;
    c.select_port({.name = sim_->port()});
    front_.connection_operations->connect_or_disconnect();
    front_.pump();
    ASSERT_TRUE(c.connected());
    ASSERT_TRUE(c.sync_available());
  }

  // The reader thread ends with the port, before the synchronisation goes.
  void TearDown() override { disconnect(); }

  void disconnect() {
    Configurator& c = *front_.configurator;
    if (c.connected()) {
      front_.connection_operations->connect_or_disconnect();
      front_.pump();
    }
  }

  bool wait_for_difference() {
    return view_.wait_until([&] {
      const test::ShownTimes* shown = view_.last_shown_locked();
      return shown != nullptr && !shown->difference.empty();
    });
  }
  bool wait_for_pause() {
    return view_.wait_until([&] {
      const test::ShownTimes* shown = view_.last_shown_locked();
      return !view_.manual_enabled_locked() && shown != nullptr && shown->utc.empty();
    });
  }
  bool wait_for_manual_button() {
    return view_.wait_until([&] { return view_.manual_enabled_locked(); });
  }
  bool wait_for_settings(std::size_t count) {
    return setter_.wait_until([&] { return setter_.count_locked() >= count; });
  }

  // The synchronisation writes its log line after the clock setting returns.
  bool wait_for_log_lines(const std::string& text, std::size_t count) {
    std::unique_lock lock(log_mutex_);
    return log_changed_.wait_for(lock, 10s, [&] {
      std::size_t n = 0;
      for (const std::string& line : log_)
        n += line.find(text) != std::string::npos;
      return n >= count;
    });
  }

  std::mutex log_mutex_;
  std::condition_variable log_changed_;
  std::vector<std::string> log_;
  cli::HeadlessConfigurator front_{[this](const std::string& line) {
    {
      std::lock_guard lock(log_mutex_);
      log_.push_back(cp1251_to_utf8(line));
    }
    log_changed_.notify_all();
  }};
  RecordingSyncView view_;
  RecordingSetter setter_;
  SystemTimeZone zone_;
  TimeSync sync_{{view_, front_.configurator->protocol().time_valid(),
                  front_.configurator->traffic_log(), front_.configurator->clock(), zone_, setter_,
                  std::make_unique<ThreadPeriodTimer>()}};
  std::unique_ptr<test::Simulator> sim_;
};

TEST_F(SyncEndToEndTest, ShowsTheDifferenceAndSetsThePcClockToTheClocksTime) {
  const struct {
    const char* legend;
    const char* time_format;
    int offset_ms;
  } cases[] = {
      {"PKEXT, clock 1.5 s ahead of the PC", "2", 1500},
      {"PKEXU, clock 1.5 s behind the PC", "3", -1500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    start({"--time-format", c.time_format, "--offset-ms", std::to_string(c.offset_ms)});
    std::chrono::milliseconds error{0};
    setter_.when_set([&](const CalendarTime& utc) {
      const auto truth = std::chrono::system_clock::now() + std::chrono::milliseconds(c.offset_ms);
      error = std::chrono::duration_cast<std::chrono::milliseconds>(test::as_sys_time(utc) - truth);
    });
    const std::size_t sets_before = setter_.set().size();

    ASSERT_TRUE(wait_for_difference());
    // The PC time is taken at the sentence's "$", a moment after the clock's second began.
    const double difference = std::stod(view_.last_shown().difference);
    EXPECT_NEAR(difference, -c.offset_ms / 1000.0, 0.1) << view_.last_shown().difference;

    ASSERT_TRUE(wait_for_manual_button());
    sync_.synchronise_now();
    ASSERT_TRUE(wait_for_settings(sets_before + 1));
    EXPECT_LT(std::abs(error.count()), 100) << error.count() << " ms";
    EXPECT_TRUE(wait_for_log_lines("Произведена синхронизация", sets_before + 1));
  }
}

TEST_F(SyncEndToEndTest, SentencesThatAreNotValidCountAsAPause) {
  const struct {
    const char* legend;
    const char* fault;
    const char* remedy;
  } cases[] = {
      {"status V", "status V", "status A"},
      {"CRC mismatch", "fault bad-crc", "clear all"},
  };
  start({"--time-format", "2", "--offset-ms", "700"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    const std::size_t sets_before = setter_.set().size();
    ASSERT_TRUE(wait_for_manual_button());
    ASSERT_EQ(sim_->command(c.fault).rfind("tk52sim: ok", 0), 0u);
    ASSERT_TRUE(wait_for_pause());
    // The request made during the pause is taken up once three valid sentences have come.
    sync_.synchronise_now();
    ASSERT_EQ(sim_->command(c.remedy).rfind("tk52sim: ok", 0), 0u);
    ASSERT_TRUE(wait_for_settings(sets_before + 1));
  }
}

}  // namespace
}  // namespace tk52

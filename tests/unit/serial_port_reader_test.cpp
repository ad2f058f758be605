// The reader's handling of failed reads, whatever the platform: a port whose reads fail as a
// pulled-out adapter's do, on a clock that moves a second per read.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;

class SteppingClock final : public Clock {
 public:
  CalendarTime local_now() const override { return {}; }
  CalendarTime utc_now() const override { return {}; }
  std::uint32_t tick_ms() const override { return tick_.load(); }
  void step(std::uint32_t ms) { tick_ += ms; }

 private:
  std::atomic<std::uint32_t> tick_{0};
};

class RecordingLog final : public TrafficLogWriter {
 public:
  void log_sent(const char*, std::size_t, const CalendarTime&) override {}
  void log_event(std::string_view text, const CalendarTime&) override {
    std::lock_guard lock(mutex_);
    events_.emplace_back(text);
  }
  std::vector<std::string> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
};

class GoneWatcher final : public SentenceHandler {
 public:
  void on_sentence(const char*, std::size_t, const CalendarTime&, SentenceKind, bool) override {}
  void on_device_gone(int error) override {
    {
      std::lock_guard lock(mutex_);
      error_ = error;
    }
    changed_.notify_all();
  }
  int wait(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [this] { return error_ != 0; });
    return error_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int error_ = 0;
};

// Plays a script of reads, a second of the clock apart; then waits to be stopped.
class ScriptedPort final : public SerialPort {
 public:
  using SerialPort::ReadResult;
  using Script = std::deque<ReadResult>;

  ScriptedPort(TrafficLogWriter& log, SteppingClock& clock, Script script)
      : SerialPort(log, clock), clock_(clock), script_(std::move(script)) {}
  ~ScriptedPort() override { close(); }

  // Waits until the reader has played the whole script and waits for more.
  bool wait_until_played(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return woken_.wait_for(lock, bound, [this] { return waiting_; });
  }

  static ReadResult error(int code) { return {ReadStatus::kError, 0, code}; }
  static ReadResult gone(int code) { return {ReadStatus::kGone, 0, code}; }
  static ReadResult byte(char c) { return {ReadStatus::kByte, c, 0}; }

 protected:
  int open_device(const std::string&, int) override { return 0; }
  void close_device() override {}
  WriteResult write_device(const char*, std::size_t, std::uint32_t) override { return {true, 0}; }
  bool set_device_speed(int) override { return true; }
  ReadResult read_device_byte() override {
    std::unique_lock lock(mutex_);
    if (!script_.empty()) {
      const ReadResult next = script_.front();
      script_.pop_front();
      clock_.step(1000);
      return next;
    }
    waiting_ = true;
    woken_.notify_all();
    woken_.wait(lock, [this] { return stop_; });
    return {ReadStatus::kStopped, 0, 0};
  }
  void wake_reader() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    woken_.notify_all();
  }
  void reader_pause(std::uint32_t) override {}

 private:
  SteppingClock& clock_;
  std::mutex mutex_;
  std::condition_variable woken_;
  std::deque<ReadResult> script_;
  bool stop_ = false;
  bool waiting_ = false;
};

// 150 failed reads of one kind in 150 s: the first is logged, then the repeats at most once
// a minute; a good byte closes the count; the removal error ends the reader and is reported.
TEST(SerialPortReader, RepeatedReadErrorsAreCountedAndAGoneDeviceEndsReading) {
  constexpr int kRemoved = 1167;
  ScriptedPort::Script script;
  for (int i = 0; i < 150; ++i)
    script.push_back(ScriptedPort::error(5));
  script.push_back(ScriptedPort::byte('x'));
  script.push_back(ScriptedPort::error(5));
  script.push_back(ScriptedPort::gone(kRemoved));
  SteppingClock clock;
  RecordingLog log;
  GoneWatcher watcher;
  ScriptedPort port(log, clock, script);
  ASSERT_EQ(port.open("COM9", 115200, watcher), result::kPortOk);
  EXPECT_EQ(watcher.wait(10s), kRemoved);
  EXPECT_EQ(log.events(), (std::vector<std::string>{
                              "Ошибка чтения (5).",
                              "Ошибка чтения (5) повторилась ещё 60 раз.",
                              "Ошибка чтения (5) повторилась ещё 60 раз.",
                              "Ошибка чтения (5) повторилась ещё 29 раз.",
                              "Ошибка чтения (5).",
                              "Ошибка чтения (1167).",
                          }));
  EXPECT_EQ(port.close(), result::kPortOk);
}

// A port that fails for an hour writes at most a line a minute, not ten a second.
TEST(SerialPortReader, AnHourOfFailedReadsWritesAboutALineAMinute) {
  ScriptedPort::Script script(3600, ScriptedPort::error(22));
  SteppingClock clock;
  RecordingLog log;
  GoneWatcher watcher;
  ScriptedPort port(log, clock, script);
  ASSERT_EQ(port.open("COM9", 115200, watcher), result::kPortOk);
  ASSERT_TRUE(port.wait_until_played(10s));
  port.close();
  // The first error, 59 minutes' counts, and the last minute's count when reading stops.
  const std::vector<std::string> events = log.events();
  ASSERT_EQ(events.size(), 61u);
  EXPECT_EQ(events.front(), "Ошибка чтения (22).");
  EXPECT_EQ(events[1], "Ошибка чтения (22) повторилась ещё 60 раз.");
  EXPECT_EQ(events.back(), "Ошибка чтения (22) повторилась ещё 59 раз.");
}

}  // namespace
}  // namespace tk52

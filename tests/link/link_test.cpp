// The serial link against tk52sim: the same tests for the POSIX port (natively, on the
// simulator's pseudo-terminal) and the Win32 port (under Wine, on a COM port mapped to it).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/exchange.h"
#include "link/serial_port.h"
#include "protocol/protocol.h"
#include "protocol/requests.h"
#include "simulator.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;

class QuietEvents final : public ProtocolEvents {
 public:
  bool post_reply(const ReplyNotification&) override { return true; }
  void log_received(const char*, std::size_t, const CalendarTime&, bool) override {}
  void counters_changed() override {}
  void time_received(const TimeRecord&, const CalendarTime&) override {}
};

class EventLog final : public TrafficLogWriter {
 public:
  void log_sent(const char*, std::size_t, const CalendarTime&) override {}
  void log_event(std::string_view text, const CalendarTime&) override {
    std::lock_guard lock(mutex);
    events.emplace_back(text);
  }
  std::size_t count() {
    std::lock_guard lock(mutex);
    return events.size();
  }
  std::mutex mutex;
  std::vector<std::string> events;
};

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = test::Simulator::from_script_or_start({"--time-format", "0"});
    ASSERT_NE(sim_, nullptr) << "tk52sim could not be started or reached";
    ASSERT_EQ(port_->open(sim_->port(), 115200, handler_), result::kPortOk);
  }

  ResultCode identify(int attempts = 1) {
    return exchange(protocol_, *port_, SentenceKind::kPkexi, build_query(SentenceKind::kPkexi),
                    {attempts, false, false});
  }

  QuietEvents events_;
  Protocol protocol_{events_};
  ProtocolSentenceHandler handler_{protocol_};
  EventLog log_;
  std::unique_ptr<SerialPort> port_ = make_serial_port(log_, SystemClock::instance());
  std::unique_ptr<test::Simulator> sim_;
};

TEST_F(LinkTest, RoundTripAtEverySpeed) {
  for (int baud : kSpeeds) {
    SCOPED_TRACE(baud);
    ASSERT_TRUE(sim_->run("baud " + std::to_string(baud)));
    EXPECT_GT(port_->set_speed(baud), 0);
    EXPECT_EQ(identify(3), result::kOk);
  }
  ASSERT_TRUE(sim_->run("baud 115200"));
}

TEST_F(LinkTest, MismatchedSpeedCarriesNoSentence) {
  ASSERT_TRUE(sim_->run("baud 9600"));
  const SentenceCounters before = protocol_.counters();
  EXPECT_EQ(identify(), result::kNoReply);
  EXPECT_EQ(protocol_.counters().good, before.good);
  EXPECT_EQ(port_->set_speed(9600), 115200);
  EXPECT_EQ(identify(3), result::kOk);
  ASSERT_TRUE(sim_->run("baud 115200"));
}

TEST_F(LinkTest, FaultsOfTheLine) {
  struct {
    const char* fault;
    ResultCode expected;
  } cases[] = {
      {"silent", result::kNoReply},
      {"no-replies", result::kNoReply},
      {"bad-checksum", result::kBadChecksum},
      {"malformed", result::kBadField},
      {"overlong", result::kNoReply},
      {"split=600", result::kNoReply},
      {"drop=1", result::kNoReply},
      {"delay=100", result::kOk},
      {"noise=40", result::kOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    ASSERT_TRUE(sim_->run(std::string("fault ") + c.fault));
    EXPECT_EQ(identify(), c.expected);
    ASSERT_TRUE(sim_->run("clear all"));
    // Whatever the fault left on the line must not spoil the next exchange.
    EXPECT_EQ(identify(3), result::kOk);
  }
}

TEST_F(LinkTest, TimeSentenceWithAWrongCrc) {
  ASSERT_TRUE(sim_->run("time-format 2"));
  ASSERT_TRUE(sim_->run("fault bad-crc"));
  ResultCode seen = result::kOk;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (seen != result::kBadCrc && std::chrono::steady_clock::now() < deadline) {
    if (protocol_.wait_arrival(SentenceKind::kPkext, 100ms)) {
      seen = protocol_.slots().take(SentenceKind::kPkext, nullptr);
    }
  }
  EXPECT_EQ(seen, result::kBadCrc);
  // The reader counts a sentence just after handing it over.
  const auto counted = std::chrono::steady_clock::now() + 10s;
  while (protocol_.counters().bad < 1 && std::chrono::steady_clock::now() < counted) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_GE(protocol_.counters().bad, 1u);
  ASSERT_TRUE(sim_->run("time-format 0"));
}

TEST_F(LinkTest, CloseWakesThePendingRead) {
  std::this_thread::sleep_for(50ms);  // let the reader settle into its wait for a byte
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_->close(), result::kPortOk);
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(SerialPort::kCloseTimeoutMs));
  EXPECT_EQ(port_->send("$PKEXI*4F\r\n", 11), result::kPortNotOpen);
  ASSERT_EQ(port_->open(sim_->port(), 115200, handler_), result::kPortOk);
  EXPECT_EQ(identify(3), result::kOk);
}

TEST_F(LinkTest, SilenceIsNotAReadError) {
  // A silent line for well over a read time-out: no "Ошибка чтения" line, under Wine included.
  ASSERT_TRUE(sim_->run("fault silent"));
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * SerialPort::kReadTimeoutMs));
  EXPECT_EQ(log_.count(), 0u);
  ASSERT_TRUE(sim_->run("clear all"));
}

// Hands sentences on and keeps what the reader reports when the device goes away.
class GoneRecorder final : public SentenceHandler {
 public:
  explicit GoneRecorder(Protocol& protocol) : sentences_(protocol) {}
  void on_sentence(const char* text, std::size_t size, const CalendarTime& arrival,
                   SentenceKind kind, bool checksum_ok) override {
    sentences_.on_sentence(text, size, arrival, kind, checksum_ok);
  }
  void on_device_gone(int error) override {
    {
      std::lock_guard lock(mutex_);
      error_ = error;
    }
    changed_.notify_all();
  }
  // The error reported, or 0 when none came within `bound`.
  int wait(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [this] { return error_ != 0; });
    return error_;
  }

 private:
  ProtocolSentenceHandler sentences_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int error_ = 0;
};

// The line hangs up, as a USB adapter pulled out does: the reader logs one read error, reports
// the device gone and ends, instead of failing ten times a second for ever.
TEST_F(LinkTest, AHungUpLineIsReportedOnceAsGone) {
  GoneRecorder recorder(protocol_);
  ASSERT_EQ(port_->close(), result::kPortOk);
  ASSERT_EQ(port_->open(sim_->port(), 115200, recorder), result::kPortOk);
  EXPECT_EQ(identify(3), result::kOk);
  ASSERT_TRUE(sim_->run("hangup 1500"));
  const int error = recorder.wait(10s);
  EXPECT_NE(error, 0);
  {
    std::lock_guard lock(log_.mutex);
    EXPECT_EQ(log_.events,
              std::vector<std::string>{"Ошибка чтения (" + std::to_string(error) + ")."});
  }
  EXPECT_EQ(port_->close(), result::kPortOk);
#ifdef _WIN32
  // Under Wine the tests share one simulator: its line comes back on the same COM port, and
  // the next test finds it as usual.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (port_->open(sim_->port(), 115200, handler_) != result::kPortOk) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(50ms);  // polling for the line's return, bounded above
  }
  EXPECT_EQ(identify(3), result::kOk);
#endif
}

}  // namespace
}  // namespace tk52

// The POSIX serial port against a pseudo-terminal whose master side the test plays.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_port.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;

class RecordingLog final : public TrafficLogWriter {
 public:
  void log_sent(const char* text, std::size_t size, const CalendarTime&) override {
    std::lock_guard lock(mutex);
    sent.emplace_back(text, size);
  }
  void log_event(std::string_view text, const CalendarTime&) override {
    std::lock_guard lock(mutex);
    events.emplace_back(text);
  }
  std::mutex mutex;
  std::vector<std::string> sent;
  std::vector<std::string> events;
};

class Collector final : public SentenceHandler {
 public:
  void on_sentence(const char* text, std::size_t size, const CalendarTime&, SentenceKind,
                   bool) override {
    {
      std::lock_guard lock(mutex_);
      sentences_.emplace_back(text, size);
    }
    arrived_.notify_all();
  }
  // Waits (generously) until `count` sentences have arrived.
  std::vector<std::string> wait_for(std::size_t count) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, 10s, [&] { return sentences_.size() >= count; });
    return sentences_;
  }
  std::vector<std::string> now() {
    std::lock_guard lock(mutex_);
    return sentences_;
  }
  void on_device_gone(int error) override {
    {
      std::lock_guard lock(mutex_);
      gone_error_ = error;
    }
    arrived_.notify_all();
  }
  bool wait_for_gone(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [&] { return gone_error_ != 0; });
  }
  int gone_error() {
    std::lock_guard lock(mutex_);
    return gone_error_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> sentences_;
  int gone_error_ = 0;
};

class PosixPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256] = {};
    ASSERT_EQ(openpty(&master_, &keeper_, name, nullptr, nullptr), 0);
    slave_path_ = name;
  }
  void TearDown() override {
    port_->close();
    if (master_ >= 0)
      ::close(master_);
    if (keeper_ >= 0)
      ::close(keeper_);
  }

  void device_writes(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  std::string device_reads(std::size_t count) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd in{master_, POLLIN, 0};
      if (::poll(&in, 1, 100) <= 0)
        continue;
      char buffer[256];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0)
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  speed_t device_speed() {
    termios tio{};
    ::tcgetattr(master_, &tio);
    return cfgetospeed(&tio);
  }

  int master_ = -1;
  int keeper_ = -1;  // keeps the slave side alive between the port's opens
  std::string slave_path_;
  RecordingLog log_;
  Collector collector_;
  std::unique_ptr<SerialPort> port_ = make_serial_port(log_, SystemClock::instance());
};

TEST_F(PosixPortTest, RoundTripAtEverySpeed) {
  ASSERT_EQ(port_->open(slave_path_, 2400, collector_), result::kPortOk);
  for (int i = 0; i < kSpeedCount; ++i) {
    const int previous = i == 0 ? 2400 : kSpeeds[i - 1];
    EXPECT_EQ(port_->set_speed(kSpeeds[i]), previous);
    EXPECT_EQ(port_->send("$PKEXI*4F\r\n", 11), result::kPortOk);
    EXPECT_EQ(device_reads(11), "$PKEXI*4F\r\n");
    device_writes("$PKEXS*55\r\n");
    EXPECT_EQ(collector_.wait_for(static_cast<std::size_t>(i) + 1).size(),
              static_cast<std::size_t>(i) + 1);
  }
  EXPECT_EQ(device_speed(), static_cast<speed_t>(B115200));
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.sent.size(), 7u);
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(PosixPortTest, QuietSendLeavesNoLogLine) {
  ASSERT_EQ(port_->open(slave_path_, 115200, collector_), result::kPortOk);
  EXPECT_EQ(port_->send_quietly("$PKEXJ,01,num*00\r\n", 18), result::kPortOk);
  EXPECT_EQ(device_reads(18), "$PKEXJ,01,num*00\r\n");
  std::lock_guard lock(log_.mutex);
  EXPECT_TRUE(log_.sent.empty());
}

TEST_F(PosixPortTest, ClosedPortAndBadNames) {
  EXPECT_EQ(port_->send("$PKEXS*55\r\n", 11), result::kPortNotOpen);
  EXPECT_EQ(port_->set_speed(9600), 0);
  EXPECT_EQ(port_->close(), result::kPortOk);
  EXPECT_EQ(port_->open("/nonexistent/tty", 9600, collector_), result::kPortNotOpen);
  EXPECT_EQ(port_->last_system_error(), ENOENT);
  EXPECT_EQ(port_->open(slave_path_, 12345, collector_), result::kPortNotOpen);
  ASSERT_EQ(port_->open(slave_path_, 9600, collector_), result::kPortOk);
  // Opening an open port changes nothing.
  EXPECT_EQ(port_->open("/nonexistent/tty", 2400, collector_), result::kPortOk);
  EXPECT_EQ(port_->speed(), 9600);
  EXPECT_EQ(port_->set_speed(12345), 0);
  EXPECT_EQ(port_->speed(), 9600);
}

TEST_F(PosixPortTest, APauseDiscardsTheSentenceInProgress) {
  ASSERT_EQ(port_->open(slave_path_, 115200, collector_), result::kPortOk);
  device_writes("$PKEXD,E3");
  // Wait for the port's read time-out to pass with certainty: a sentence sent in full after it
  // arrives, the broken one does not.
  std::this_thread::sleep_for(std::chrono::milliseconds(SerialPort::kReadTimeoutMs + 400));
  device_writes("*18\r\n$PKEXS*55\r\n");
  const auto got = collector_.wait_for(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], "$PKEXS*55\r\n");
}

TEST_F(PosixPortTest, CloseWakesAPendingReadAtOnce) {
  ASSERT_EQ(port_->open(slave_path_, 115200, collector_), result::kPortOk);
  std::this_thread::sleep_for(50ms);  // let the reader settle into its wait
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_->close(), result::kPortOk);
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(SerialPort::kCloseTimeoutMs));
  EXPECT_FALSE(port_->is_open());
  // And the port opens again.
  ASSERT_EQ(port_->open(slave_path_, 115200, collector_), result::kPortOk);
  device_writes("$PKEXS*55\r\n");
  EXPECT_EQ(collector_.wait_for(1).size(), 1u);
}

// Hanging up the line (closing the master) is the device going away: one read error line,
// the handler told, and the reader ends instead of failing ten times a second for ever.
TEST_F(PosixPortTest, AHungUpLineIsLoggedOnceAndReportedAsGone) {
  ASSERT_EQ(port_->open(slave_path_, 115200, collector_), result::kPortOk);
  ::close(master_);
  master_ = -1;
  ::close(keeper_);
  keeper_ = -1;
  ASSERT_TRUE(collector_.wait_for_gone(10s));
  EXPECT_EQ(collector_.gone_error(), EIO);
  {
    std::lock_guard lock(log_.mutex);
    EXPECT_EQ(log_.events,
              std::vector<std::string>{"Ошибка чтения (" + std::to_string(EIO) + ")."});
  }
  EXPECT_EQ(port_->close(), result::kPortOk);
}

// A network port that cannot be opened says why, in words for the operator.
TEST_F(PosixPortTest, ANetworkPortThatCannotBeOpenedSaysWhy) {
  // A local port nobody listens on: bound, never listening, so no one else takes it meanwhile.
  const int unused = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ASSERT_EQ(::bind(unused, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::getsockname(unused, reinterpret_cast<sockaddr*>(&a), &length);
  const std::string refused = std::to_string(ntohs(a.sin_port));
  const struct {
    std::string name;
    const char* reason;
  } cases[] = {
      {"tcp://127.0.0.1:0", "Неверный номер порта «0»: допустимы числа от 1 до 65535."},
      {"tcp://127.0.0.1:65536", "Неверный номер порта «65536»"},
      {"rfc2217://127.0.0.1:70000", "Неверный номер порта «70000»"},
      {"tcp://127.0.0.1", "нет номера порта"},
      {"tcp://:4001", "не указан узел"},
      {"tcp://" + std::string(10'000, 'h') + ":4001", "Имя узла длиннее 253 знаков."},
      // An empty label: no name server is asked, so the answer is the same on every machine.
      {"tcp://no..such.host:4001", "Узел «no..such.host» не найден."},
      {"tcp://127.0.0.1:" + refused, "Сервер отверг соединение"},
      {"rfc2217://[::1]:" + refused, ""},  // refused, or no IPv6 here: a reason either way
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 40));
    EXPECT_EQ(port_->open(c.name, 9600, collector_), result::kPortNotOpen);
    EXPECT_FALSE(port_->is_open());
    EXPECT_NE(port_->open_failure().find(c.reason), std::string::npos) << port_->open_failure();
    EXPECT_FALSE(port_->open_failure().empty());
  }
  ::close(unused);
  // A device's failure names it and says why; a success clears the last reason.
  EXPECT_EQ(port_->open("/nonexistent/tty", 9600, collector_), result::kPortNotOpen);
  EXPECT_EQ(port_->open_failure(),
            "Устройства /nonexistent/tty нет (адаптер отключён или имя неверно).");
  ASSERT_EQ(port_->open(slave_path_, 9600, collector_), result::kPortOk);
  EXPECT_EQ(port_->open_failure(), "");
}

}  // namespace
}  // namespace tk52

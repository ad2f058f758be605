// The serial link: one port at a time, 8N1 raw, no flow control. A reader thread receives the
// bytes, cuts them into sentences (SentenceAssembler) and hands each to a SentenceHandler. The
// Windows and POSIX ports share everything but the system calls, which live in
// serial_port_win32.cpp and serial_port_posix.cpp.
//
// Error contract: open, close, send and send_quietly return 0 on success, 2 when the port could
// not be opened or is not open, 5 when a write did not complete within 500 ms. The failing
// system call's error number is kept in last_system_error() and written to the traffic log.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "link/sentence_assembler.h"
#include "link/traffic_log_writer.h"
#include "platform/clock.h"
#include "protocol/result_codes.h"

namespace tk52 {

// Speeds offered to the user, by list position; a speed change request carries position + 1.
inline constexpr int kSpeedCount = 7;
inline constexpr int kSpeeds[kSpeedCount] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
// List position of a speed, or -1.
int speed_index(int baud);

class SerialPort {
 public:
  static constexpr std::uint32_t kWriteTimeoutMs = 500;
  static constexpr std::uint32_t kReadTimeoutMs = 510;  // 500 ms + 10 ms for the one byte
  static constexpr std::uint32_t kCloseTimeoutMs = 1000;
  static constexpr std::uint32_t kRepeatReportMs = 60'000;

  SerialPort(TrafficLogWriter& log, const Clock& clock) : log_(log), clock_(clock) {}
  virtual ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens `name` (COM3 on Windows; a device path such as /dev/ttyUSB0 elsewhere) at `baud`,
  // 8N1, and starts the reader. Opening an open port changes nothing and returns 0.
  ResultCode open(const std::string& name, int baud, SentenceHandler& handler);
  // Why the latest open failed, as a sentence for the operator (a bad port number, an unknown
  // host, a refused connection...); empty when the port gave no reason.
  const std::string& open_failure() const { return open_failure_; }

  // Stops the reader (waking it, never killing it) and closes the port. Returns 0.
  ResultCode close();

  // Writes a sentence and logs it as sent. 2 when closed, 5 when not written within 500 ms
  // (an event line with the system error is logged instead).
  ResultCode send(const char* data, std::size_t size);
  // The same without any traffic-log line.
  ResultCode send_quietly(const char* data, std::size_t size);

  // Changes the speed, other settings unchanged. Returns the previous speed, or 0 when the port
  // is closed or refuses the speed.
  int set_speed(int baud);

  // Whether this line's speed is the program's to set: false for a raw TCP line, or an RFC 2217
  // server that refused COM Port Control or left the speed request unanswered (waiting a
  // bounded time for its answer).
  bool speed_settable();
  // True when the device went away while the port was open: the line hung up, or the server
  // closed the connection.
  bool gone() const { return gone_.load(); }

  bool is_open() const { return open_.load(); }
  int speed() const { return baud_.load(); }
  const std::string& name() const { return name_; }
  int last_system_error() const { return last_error_.load(); }

  // Tick count at the "$" of the latest sentence; the time synchronisation reads it.
  std::uint32_t last_dollar_tick() const;

 protected:
  // kGone: the device is no more (an adapter pulled out, a line hung up); reading ends.
  enum class ReadStatus { kByte, kTimeout, kError, kGone, kStopped };
  struct ReadResult {
    ReadStatus status;
    char byte;
    int error;
  };
  struct WriteResult {
    bool completed;  // all bytes written within the limit
    int error;
  };

  // The platform's part. Called with the port closed (open_device) or open (the rest).
  virtual int open_device(const std::string& name, int baud) = 0;  // 0 or the system error
  virtual void close_device() = 0;
  virtual WriteResult write_device(const char* data, std::size_t size,
                                   std::uint32_t timeout_ms) = 0;
  virtual bool set_device_speed(int baud) = 0;
  virtual bool device_speed_settable() { return true; }
  // Waits for one byte (at most kReadTimeoutMs) or until wake_reader() is called.
  virtual ReadResult read_device_byte() = 0;
  virtual void wake_reader() = 0;
  // Pauses the reader after a failed read, returning early when woken.
  virtual void reader_pause(std::uint32_t ms) = 0;

  bool stop_requested() const { return stop_.load(); }
  void set_open_failure(std::string reason) { open_failure_ = std::move(reason); }
  void mark_gone() { gone_.store(true); }

 private:
  void reader_loop();
  // A failed read's line: the first of a run of identical errors at once, then the count of
  // repeats at most once a minute, so that a port failing for hours cannot flood the log.
  void log_read_error(int error);
  void log_read_error_repeats();
  ResultCode write(const char* data, std::size_t size, bool logged);

  TrafficLogWriter& log_;
  const Clock& clock_;
  std::string name_;
  std::atomic<bool> open_{false};
  std::atomic<bool> stop_{false};
  std::atomic<bool> gone_{false};
  std::string open_failure_;
  std::atomic<int> baud_{0};
  std::atomic<int> last_error_{0};
  std::unique_ptr<SentenceAssembler> assembler_;
  SentenceHandler* handler_ = nullptr;
  std::thread reader_;
  // Reader thread only.
  int repeated_error_ = 0;
  unsigned long repeats_ = 0;
  std::uint32_t repeats_since_ = 0;
};

// The port of the platform the program was built for.
std::unique_ptr<SerialPort> make_serial_port(TrafficLogWriter& log, const Clock& clock);

}  // namespace tk52

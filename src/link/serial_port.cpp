#include "link/serial_port.h"

#include <cstdio>

#include "link/network_port.h"

namespace tk52 {
namespace {

// After a failed read the reader waits this long before trying again, so that a port that
// keeps failing (a USB adapter pulled out) does not fill the log at full speed.
constexpr std::uint32_t kReadErrorPauseMs = 100;

}  // namespace

int speed_index(int baud) {
  for (int i = 0; i < kSpeedCount; ++i) {
    if (kSpeeds[i] == baud)
      return i;
  }
  return -1;
}

SerialPort::~SerialPort() {
  // Derived classes close in their own destructors, while their part still exists.
}

ResultCode SerialPort::open(const std::string& name, int baud, SentenceHandler& handler) {
  if (is_open())
    return result::kPortOk;
  open_failure_.clear();
  gone_.store(false);
  const int error = open_device(name, baud);
  if (error != 0) {
    last_error_.store(error);
    return result::kPortNotOpen;
  }
  name_ = name;
  baud_.store(baud);
  stop_.store(false);
  assembler_ = std::make_unique<SentenceAssembler>(handler, clock_);
  handler_ = &handler;
  repeated_error_ = 0;
  repeats_ = 0;
  open_.store(true);
  reader_ = std::thread([this] { reader_loop(); });
  return result::kPortOk;
}

ResultCode SerialPort::close() {
  if (!is_open())
    return result::kPortOk;
  stop_.store(true);
  wake_reader();
  // The reader wakes at once; it never waits for anything but the port, so the join is bounded
  // by one read time-out at worst.
  if (reader_.joinable())
    reader_.join();
  close_device();
  open_.store(false);
  assembler_.reset();
  return result::kPortOk;
}

ResultCode SerialPort::send(const char* data, std::size_t size) {
  return write(data, size, true);
}

ResultCode SerialPort::send_quietly(const char* data, std::size_t size) {
  return write(data, size, false);
}

ResultCode SerialPort::write(const char* data, std::size_t size, bool logged) {
  if (!is_open())
    return result::kPortNotOpen;
  const CalendarTime at = clock_.local_now();
  const WriteResult written = write_device(data, size, kWriteTimeoutMs);
  if (written.completed) {
    if (logged)
      log_.log_sent(data, size, at);
    return result::kPortOk;
  }
  last_error_.store(written.error);
  char text[96];
  std::snprintf(text, sizeof text, "Ошибка при отправке предложения (%d).", written.error);
  log_.log_event(text, clock_.local_now());
  return result::kWriteFailed;
}

int SerialPort::set_speed(int baud) {
  if (!is_open())
    return 0;
  const int previous = baud_.load();
  if (!set_device_speed(baud))
    return 0;
  baud_.store(baud);
  return previous;
}

bool SerialPort::speed_settable() {
  if (!is_open())
    return line_speed_settable(name_);
  return !gone() && device_speed_settable();
}

std::uint32_t SerialPort::last_dollar_tick() const {
  return assembler_ ? assembler_->last_dollar_tick() : 0;
}

void SerialPort::reader_loop() {
  SentenceAssembler& assembler = *assembler_;
  while (!stop_requested()) {
    const ReadResult read = read_device_byte();
    switch (read.status) {
      case ReadStatus::kByte:
        if (repeats_ > 0)
          log_read_error_repeats();
        repeated_error_ = 0;
        assembler.feed(read.byte);
        break;
      case ReadStatus::kTimeout:
        // A pause of a read time-out ends whatever sentence was in progress.
        assembler.reset();
        break;
      case ReadStatus::kError:
        assembler.reset();
        log_read_error(read.error);
        reader_pause(kReadErrorPauseMs);
        break;
      case ReadStatus::kGone:
        // Nothing more will come: reading ends, and the interface thread closes the port.
        gone_.store(true);
        assembler.reset();
        log_read_error(read.error);
        if (repeats_ > 0)
          log_read_error_repeats();
        handler_->on_device_gone(read.error);
        return;
      case ReadStatus::kStopped:
        if (repeats_ > 0)
          log_read_error_repeats();
        return;
    }
  }
}

void SerialPort::log_read_error(int error) {
  const std::uint32_t now = clock_.tick_ms();
  if (error == repeated_error_) {
    ++repeats_;
    if (now - repeats_since_ >= kRepeatReportMs)
      log_read_error_repeats();
    return;
  }
  if (repeats_ > 0)
    log_read_error_repeats();
  repeated_error_ = error;
  repeats_since_ = now;
  char text[64];
  std::snprintf(text, sizeof text, "Ошибка чтения (%d).", error);
  log_.log_event(text, clock_.local_now());
}

void SerialPort::log_read_error_repeats() {
  char text[96];
  std::snprintf(text, sizeof text, "Ошибка чтения (%d) повторилась ещё %lu раз.", repeated_error_,
                repeats_);
  log_.log_event(text, clock_.local_now());
  repeats_ = 0;
  repeats_since_ = clock_.tick_ms();
}

}  // namespace tk52

// The traffic log: every sentence sent and received and every application event, as
// time-stamped Windows-1251 lines for "journal.txt". Lines are built here and handed to a
// LogLineSink, whose single consumer writes them in the order they were submitted.
//
// Sentence line: a 31-byte prefix, then the sentence as it travelled, with its own CR LF:
//   " [10.12.2026-12:34:56:789] >>> $PKEXS*55\r\n"   ("x" in byte 0 for a bad received one)
// Event line: a 27-byte prefix and the text, without a line end (the view adds CR LF):
//   " <10.12.2026-12:34:56:789> Установлено соединение по COM3 на скорости 115200 бит/с"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "link/traffic_log_writer.h"
#include "platform/calendar_time.h"

namespace tk52 {

enum class TrafficEvent {
  kApplicationStart = 0,
  kApplicationEnd = 1,
  kConnected = 2,
  kDisconnected = 3,
  kSpeedSet = 4,
  kConfigurationWritten = 5,
  kSelfTestReceived = 6,
  kClockSynchronised = 7,
};

// The event's text (UTF-8).
std::string_view traffic_event_text(TrafficEvent event);

inline constexpr std::size_t kSentencePrefixSize = 31;
inline constexpr std::size_t kEventPrefixSize = 27;
// Where a sentence line's ">>> " (received) or "<<< " (sent) starts.
inline constexpr std::size_t kDirectionOffset = kSentencePrefixSize - 4;

std::string format_sentence_line(const char* text, std::size_t size, const CalendarTime& at,
                                 bool received, bool good);
// `text_1251` is already Windows-1251.
std::string format_event_line(std::string_view text_1251, const CalendarTime& at);

// Receives finished lines. Called from any thread; must never wait for the user interface.
class LogLineSink {
 public:
  virtual ~LogLineSink() = default;
  virtual void append_line(std::string line) = 0;
};

class TrafficLog final : public TrafficLogWriter {
 public:
  explicit TrafficLog(LogLineSink& sink) : sink_(sink) {}

  void log_sent(const char* text, std::size_t size, const CalendarTime& at) override;
  void log_received(const char* text, std::size_t size, const CalendarTime& at, bool good);
  // `text` is UTF-8; the line carries it as Windows-1251.
  void log_event(std::string_view text, const CalendarTime& at) override;

 private:
  LogLineSink& sink_;
};

}  // namespace tk52

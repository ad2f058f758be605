// What the link writes into the traffic log: each sentence it sends, and its error events.
// Implementations hand the line on (the Windows program posts it to the log view) and never
// wait for the user interface thread.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/calendar_time.h"

namespace tk52 {

class TrafficLogWriter {
 public:
  virtual ~TrafficLogWriter() = default;
  // A sentence as sent, "$" through CR LF, stamped just before the write.
  virtual void log_sent(const char* text, std::size_t size, const CalendarTime& at) = 0;
  // An application event; `text` is UTF-8 and becomes Windows-1251 in the log.
  virtual void log_event(std::string_view text, const CalendarTime& at) = 0;
};

}  // namespace tk52

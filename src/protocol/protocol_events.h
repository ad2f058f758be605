// Everything the dispatcher hands on toward the user interface goes through this interface.
// The Windows program posts window messages; tk52cli and the tests record or print.
// Implementations are called on the reader thread and must never wait for the interface thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/calendar_time.h"
#include "protocol/records.h"

namespace tk52 {

// The replies whose arrival the user interface thread is told of. The reply itself waits in its
// slot; the notification only says that it came and, where a reply has several forms, which.
enum class ReplyKind : std::uint8_t {
  kConfiguration,   // PKEXC
  kIdentification,  // PKEXI
  kExtraInfo,       // PKEXS
  kSelfDiagnostic,  // PKEXD
  kDeviceError,     // PKEXE
  kJournal,         // PKEXJ
  kDeviceGone,      // not a reply: the reader ended on a device that went away (the number
                    // is the system's error)
};

// A PKEXC reply is either the configuration or a result code; the slot's payload carries which.
using ConfigurationForm = PkexcForm;

// A PKEXJ reply is the journal's header (its record count) or a record. A record is announced
// twice: once to be shown, once to let the read pass ask for the next one.
enum class JournalForm : std::uint8_t { kHeader = 1, kRecordStored = 2, kRecordAdvance = 3 };

struct ReplyNotification {
  ReplyKind kind = ReplyKind::kConfiguration;
  // ConfigurationForm or JournalForm as a number; 0 for the other kinds.
  std::uint8_t form = 0;
  // The journal's record count (header) or the record's number; 0 otherwise.
  std::int32_t number = 0;

  static constexpr ReplyNotification of(ReplyKind kind) { return {kind, 0, 0}; }
  static constexpr ReplyNotification configuration(ConfigurationForm form) {
    return {ReplyKind::kConfiguration, static_cast<std::uint8_t>(form), 0};
  }
  static constexpr ReplyNotification journal(JournalForm form, std::int32_t number) {
    return {ReplyKind::kJournal, static_cast<std::uint8_t>(form), number};
  }
  constexpr ConfigurationForm configuration_form() const {
    return static_cast<ConfigurationForm>(form);
  }
  constexpr JournalForm journal_form() const { return static_cast<JournalForm>(form); }
  friend constexpr bool operator==(const ReplyNotification&, const ReplyNotification&) = default;
};

class ProtocolEvents {
 public:
  virtual ~ProtocolEvents() = default;

  // A reply notification for the user interface thread; false when it could not be posted.
  virtual bool post_reply(const ReplyNotification& notification) = 0;

  // A received sentence for the traffic log, from "$" through CR LF, stamped with the local time
  // of its "$". Never called for PKEXJ.
  virtual void log_received(const char* text, std::size_t size, const CalendarTime& arrival,
                            bool good) = 0;

  // The good and bad counters changed: redraw them.
  virtual void counters_changed() = 0;

  // A time sentence with status "A" decoded: hand it to the time synchronisation.
  virtual void time_received(const TimeRecord& time, const CalendarTime& arrival) = 0;
};

}  // namespace tk52

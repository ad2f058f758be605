// Everything the dispatcher hands on toward the user interface goes through this interface.
// The Windows program posts window messages; tk52cli and the tests record or print.
// Implementations are called on the reader thread and must never wait for the interface thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/calendar_time.h"
#include "protocol/records.h"

namespace tk52 {

// Reply notifications, posted to the tab control (WM_USER-based numbers).
namespace notify {
inline constexpr unsigned kConfiguration = 0x500;  // wParam 1 configuration, 2 result code
inline constexpr unsigned kDeviceGone = 0x501;     // wParam the system error
inline constexpr unsigned kIdentification = 0x502;
inline constexpr unsigned kExtraInfo = 0x503;
inline constexpr unsigned kSelfDiagnostic = 0x504;
inline constexpr unsigned kDeviceError = 0x505;
inline constexpr unsigned kJournal = 0x506;  // wParam 1 header (lParam count), 2 and 3 record

inline constexpr std::uintptr_t kConfigForm = 1;
inline constexpr std::uintptr_t kResultForm = 2;
inline constexpr std::uintptr_t kJournalHeader = 1;
inline constexpr std::uintptr_t kJournalRecordStored = 2;
inline constexpr std::uintptr_t kJournalRecordAdvance = 3;

// The status bar's redraw request: SB_SETTEXTW with SBT_OWNERDRAW for part 1.
inline constexpr unsigned kStatusBarSetText = 0x40B;
inline constexpr std::uintptr_t kCountersPart = 0x1001;
}  // namespace notify

class ProtocolEvents {
 public:
  virtual ~ProtocolEvents() = default;

  // A reply notification for the tab control; false when it could not be posted.
  virtual bool post_reply(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) = 0;

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

// The protocol objects shared by the reader thread and the exchanges: reply slots, arrival
// events, the time-valid semaphore, the good/bad counters, the operation lock, the model type
// and the journal record table; and the dispatcher that the reader calls for every complete
// sentence.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "platform/calendar_time.h"
#include "platform/sync_primitives.h"
#include "protocol/device_model.h"
#include "protocol/journal_table.h"
#include "protocol/protocol_events.h"
#include "protocol/reply_slots.h"
#include "protocol/result_codes.h"
#include "protocol/sentence_kind.h"

namespace tk52 {

struct SentenceCounters {
  std::uint32_t good = 0;
  std::uint32_t bad = 0;
};

class Protocol {
 public:
  explicit Protocol(ProtocolEvents& events) : events_(events) {}
  Protocol(const Protocol&) = delete;
  Protocol& operator=(const Protocol&) = delete;

  // Verifies, decodes and hands on one complete sentence (from "$" through CR LF). Runs on the
  // reader thread. Returns the sentence's result (0x1000 accepted, 0x1001..0x1005 otherwise),
  // or 1 (not performed) when given no text, in which case nothing is counted.
  ResultCode dispatch(const char* text, std::size_t size, const CalendarTime& arrival,
                      SentenceKind kind);
  // The same for a sentence whose checksum the reader checked while it cut the sentence out
  // (`checksum_ok` as verify_sentence() says).
  ResultCode dispatch(const char* text, std::size_t size, const CalendarTime& arrival,
                      SentenceKind kind, bool checksum_ok);

  // The reader ended because the device went away: tells the interface thread, which closes
  // the port. Runs on the reader thread.
  void report_device_gone(int error) { events_.post_reply({ReplyKind::kDeviceGone, 0, error}); }

  // Arrival events: one per reply kind 5..11 and one shared by the time kinds 0..4. The reader
  // signals before it dispatches; an exchange waits.
  void signal_arrival(SentenceKind kind);
  bool wait_arrival(SentenceKind kind, std::chrono::milliseconds timeout);

  ReplySlots& slots() { return slots_; }
  JournalRecordTable& journal_table() { return journal_table_; }

  // Released when a PKEXT or PKEXU decodes with status "A"; the time watchdog consumes it.
  Semaphore& time_valid() { return time_valid_; }

  // Held by every request-and-reply exchange, whichever thread runs it. Not re-entrant. Timed,
  // so that the periodic poll can give up waiting for it when it is told to stop.
  TimedLock& operation_lock() { return operation_lock_; }

  SentenceCounters counters() const;

  DeviceModelType model_type() const { return model_type_.load(); }
  void set_model_type(DeviceModelType type) { model_type_.store(type); }

 private:
  // Parses a catalogued sentence by its table row and carries out what its reply asks for.
  ResultCode handle(const SentenceKindInfo& info, const char* text, std::size_t size,
                    const CalendarTime& arrival, ReplyPayload& payload);

  ProtocolEvents& events_;
  ReplySlots slots_;
  std::array<AutoResetEvent, kReplySlotCount> arrival_;
  Semaphore time_valid_{0, 1};
  // Counted for every sentence by the thread that dispatches (one at a time), read by the
  // interface: no lock.
  std::atomic<std::uint32_t> good_{0};
  std::atomic<std::uint32_t> bad_{0};
  TimedLock operation_lock_;
  std::atomic<DeviceModelType> model_type_{DeviceModelType::kUnknown};
  JournalRecordTable journal_table_;
};

}  // namespace tk52

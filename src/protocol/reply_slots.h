// Reply slots: where a decoded reply waits for the exchange that asked for it. One slot per
// reply kind 5..11 and one shared by the time kinds 0..4, eight in all. The reader thread posts,
// the waiting exchange resets and takes.
#pragma once

#include <array>
#include <chrono>
#include <mutex>

#include "platform/sync_primitives.h"
#include "protocol/records.h"
#include "protocol/result_codes.h"
#include "protocol/sentence_kind.h"

namespace tk52 {

class ReplySlots {
 public:
  static constexpr std::chrono::milliseconds kTakeTimeout{500};

  // Stores the result and, when given, the payload, and marks the slot full. Posting to a full
  // slot replaces its reply. Kinds outside 0..11 are ignored.
  void post(SentenceKind kind, ResultCode result, const ReplyPayload* payload);

  // Waits up to `timeout` for a reply. On time-out returns 0x1004 and leaves `payload` alone;
  // otherwise copies the result (and payload if asked) and leaves the slot full, so a second
  // take returns the same reply at once.
  ResultCode take(SentenceKind kind, ReplyPayload* payload,
                  std::chrono::milliseconds timeout = kTakeTimeout);

  // Empties the slot and sets its stored result to 0x1000; the payload stays.
  void reset(SentenceKind kind);

 private:
  // The semaphore says whether a reply is held; the mutex keeps a post from overwriting a reply
  // while a taker is copying it out.
  struct Slot {
    Semaphore full{0, 1};
    std::mutex mutex;
    ResultCode result = result::kOk;
    ReplyPayload payload{};
  };

  std::array<Slot, kReplySlotCount> slots_;
};

}  // namespace tk52

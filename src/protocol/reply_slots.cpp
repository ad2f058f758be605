#include "protocol/reply_slots.h"

namespace tk52 {

void ReplySlots::post(SentenceKind kind, ResultCode result, const ReplyPayload* payload) {
  const int index = reply_slot(kind);
  if (index < 0)
    return;
  Slot& slot = slots_[static_cast<std::size_t>(index)];
  {
    std::lock_guard lock(slot.mutex);
    slot.result = result;
    if (payload != nullptr)
      slot.payload = *payload;
  }
  slot.full.release();  // already full: stays full, holding the newer reply
}

ResultCode ReplySlots::take(SentenceKind kind, ReplyPayload* payload,
                            std::chrono::milliseconds timeout) {
  const int index = reply_slot(kind);
  if (index < 0)
    return result::kNotProcessed;
  Slot& slot = slots_[static_cast<std::size_t>(index)];
  if (!slot.full.acquire_for(timeout))
    return result::kNotProcessed;
  ResultCode result = result::kOk;
  {
    std::lock_guard lock(slot.mutex);
    result = slot.result;
    if (payload != nullptr)
      *payload = slot.payload;
  }
  slot.full.release();
  return result;
}

void ReplySlots::reset(SentenceKind kind) {
  const int index = reply_slot(kind);
  if (index < 0)
    return;
  Slot& slot = slots_[static_cast<std::size_t>(index)];
  slot.full.try_acquire();
  std::lock_guard lock(slot.mutex);
  slot.result = result::kOk;
}

}  // namespace tk52

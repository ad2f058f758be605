#include "protocol/protocol.h"

#include "protocol/framing.h"
#include "protocol/parsers.h"

namespace tk52 {

void Protocol::signal_arrival(SentenceKind kind) {
  const int index = reply_slot(kind);
  if (index >= 0)
    arrival_[static_cast<std::size_t>(index)].set();
}

bool Protocol::wait_arrival(SentenceKind kind, std::chrono::milliseconds timeout) {
  const int index = reply_slot(kind);
  return index >= 0 && arrival_[static_cast<std::size_t>(index)].wait_for(timeout);
}

SentenceCounters Protocol::counters() const {
  return {good_.load(std::memory_order_relaxed), bad_.load(std::memory_order_relaxed)};
}

ResultCode Protocol::dispatch(const char* text, std::size_t size, const CalendarTime& arrival,
                              SentenceKind kind) {
  return dispatch(text, size, arrival, kind, verify_sentence(text, size));
}

ResultCode Protocol::dispatch(const char* text, std::size_t size, const CalendarTime& arrival,
                              SentenceKind kind, bool checksum_ok) {
  if (text == nullptr || size == 0)
    return result::kNotPerformed;

  ResultCode result = checksum_ok ? result::kOk : result::kBadChecksum;
  if (const SentenceKindInfo* info = sentence_kind_info(kind)) {
    ReplyPayload payload{};
    if (result == result::kOk)
      result = handle(*info, text, size, arrival, payload);
    slots_.post(kind, result, &payload);
  }

  const bool good = result == result::kOk;
  // Journal records arrive by the hundred while a journal is read; they stay out of the log.
  if (kind != SentenceKind::kPkexj)
    events_.log_received(text, size, arrival, good);
  // Only the one thread that dispatches writes them: no read-modify-write needed.
  std::atomic<std::uint32_t>& counter = good ? good_ : bad_;
  counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  events_.counters_changed();
  return result;
}

ResultCode Protocol::handle(const SentenceKindInfo& info, const char* text, std::size_t size,
                            const CalendarTime& arrival, ReplyPayload& payload) {
  if (info.parse == nullptr)
    return result::kOk;
  ParsedReply parsed;
  info.parse(text, size, model_type(), payload, parsed);
  if (parsed.result != result::kOk)
    return parsed.result;

  bool record = false;
  switch (info.effect) {
    case ReplyEffect::kNone:
      break;
    case ReplyEffect::kValidTime: {
      const auto time = load_record<TimeRecord>(payload);
      if (time.status == 'A') {
        time_valid_.release();
        events_.time_received(time, arrival);
      }
      break;
    }
    case ReplyEffect::kIdentification:
      set_model_type(model_type_from_name(load_record<IdentificationRecord>(payload).model));
      break;
    case ReplyEffect::kJournal:
      record = parsed.form != static_cast<std::uint8_t>(JournalForm::kHeader);
      if (record)
        journal_table_.store(load_record<JournalRecordEntry>(payload));
      break;
  }
  if (!info.notifies)
    return result::kOk;
  bool posted = events_.post_reply({info.notification, parsed.form, parsed.number});
  // A record is announced a second time once it is stored: the read pass asks for the next one.
  if (posted && record) {
    posted =
        events_.post_reply(ReplyNotification::journal(JournalForm::kRecordAdvance, parsed.number));
  }
  return posted ? result::kOk : result::kPostFailed;
}

}  // namespace tk52

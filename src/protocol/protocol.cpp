#include "protocol/protocol.h"

#include "protocol/framing.h"
#include "protocol/parsers.h"

namespace tk52 {

int Protocol::event_index(SentenceKind kind) {
  if (!is_catalogued(kind))
    return -1;
  if (is_time_kind(kind))
    return 0;
  return index_of(kind) - index_of(SentenceKind::kPkexc) + 1;
}

void Protocol::signal_arrival(SentenceKind kind) {
  const int index = event_index(kind);
  if (index >= 0)
    arrival_[static_cast<std::size_t>(index)].set();
}

bool Protocol::wait_arrival(SentenceKind kind, std::chrono::milliseconds timeout) {
  const int index = event_index(kind);
  return index >= 0 && arrival_[static_cast<std::size_t>(index)].wait_for(timeout);
}

SentenceCounters Protocol::counters() const {
  return {good_.load(std::memory_order_relaxed), bad_.load(std::memory_order_relaxed)};
}

ResultCode Protocol::dispatch(const char* text, std::size_t size, const CalendarTime& arrival,
                              SentenceKind kind) {
  if (text == nullptr || size == 0)
    return result::kNotPerformed;

  ResultCode result = verify_sentence(text, size) ? result::kOk : result::kBadChecksum;
  if (is_catalogued(kind)) {
    ReplyPayload payload{};
    if (result == result::kOk)
      result = handle(kind, text, size, arrival, payload);
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

ResultCode Protocol::handle(SentenceKind kind, const char* text, std::size_t size,
                            const CalendarTime& arrival, ReplyPayload& payload) {
  switch (kind) {
    case SentenceKind::kGpzda:
    case SentenceKind::kGprmc:
    case SentenceKind::kGpgga:
      return result::kOk;
    case SentenceKind::kPkext:
      return handle_time(false, text, size, arrival, payload);
    case SentenceKind::kPkexu:
      return handle_time(true, text, size, arrival, payload);
    case SentenceKind::kPkexc:
      return handle_configuration(text, size, payload);
    case SentenceKind::kPkexr: {
      SpeedReply reply{};
      const ResultCode r = parse_pkexr(text, size, reply);
      store_record(payload, reply);
      return r;
    }
    case SentenceKind::kPkexi:
      return handle_identification(text, size, payload);
    case SentenceKind::kPkexs: {
      ExtraInfo info{};
      const ResultCode r = parse_pkexs(text, size, info);
      store_record(payload, info);
      return notify_on_success(r, notify::kExtraInfo);
    }
    case SentenceKind::kPkexd: {
      ResultCodeRecord code{};
      const ResultCode r = parse_pkexd(text, size, code);
      store_record(payload, code);
      return notify_on_success(r, notify::kSelfDiagnostic);
    }
    case SentenceKind::kPkexe: {
      DeviceErrorRecord error{};
      const ResultCode r = parse_pkexe(text, size, error);
      store_record(payload, error);
      return notify_on_success(r, notify::kDeviceError);
    }
    case SentenceKind::kPkexj:
      return handle_journal(text, size, payload);
    case SentenceKind::kUnrecognised:
      break;
  }
  return result::kOk;
}

ResultCode Protocol::handle_time(bool with_extra, const char* text, std::size_t size,
                                 const CalendarTime& arrival, ReplyPayload& payload) {
  TimeRecord time{};
  const ResultCode r = with_extra ? parse_pkexu(text, size, time) : parse_pkext(text, size, time);
  store_record(payload, time);
  if (r == result::kOk && time.status == 'A') {
    time_valid_.release();
    events_.time_received(time, arrival);
  }
  return r;
}

ResultCode Protocol::handle_configuration(const char* text, std::size_t size,
                                          ReplyPayload& payload) {
  ResultCodeRecord code{};
  if (parse_pkexc_result(text, size, code) == result::kOk) {
    store_record(payload, code);
    return post(notify::kConfiguration, notify::kResultForm, 0) ? result::kOk : result::kPostFailed;
  }
  DeviceConfiguration config{};
  const ResultCode r = parse_pkexc_config(text, size, model_type(), config);
  store_record(payload, config);
  if (r != result::kOk)
    return r;
  return post(notify::kConfiguration, notify::kConfigForm, 0) ? result::kOk : result::kPostFailed;
}

ResultCode Protocol::handle_identification(const char* text, std::size_t size,
                                           ReplyPayload& payload) {
  IdentificationRecord id{};
  const ResultCode r = parse_pkexi(text, size, id);
  store_record(payload, id);
  if (r != result::kOk)
    return r;
  set_model_type(model_type_from_name(id.model));
  return notify_on_success(r, notify::kIdentification);
}

ResultCode Protocol::handle_journal(const char* text, std::size_t size, ReplyPayload& payload) {
  JournalHeader header{};
  if (parse_pkexj_header(text, size, header) == result::kOk) {
    store_record(payload, header);
    return post(notify::kJournal, notify::kJournalHeader, header.count) ? result::kOk
                                                                        : result::kPostFailed;
  }
  JournalRecordEntry entry{};
  const ResultCode r = parse_pkexj_record(text, size, entry);
  store_record(payload, entry);
  if (r != result::kOk)
    return r;
  journal_table_.store(entry);
  const bool posted = post(notify::kJournal, notify::kJournalRecordStored, entry.number) &&
                      post(notify::kJournal, notify::kJournalRecordAdvance, entry.number);
  return posted ? result::kOk : result::kPostFailed;
}

ResultCode Protocol::notify_on_success(ResultCode result, unsigned message) {
  if (result != result::kOk)
    return result;
  return post(message, 0, 0) ? result::kOk : result::kPostFailed;
}

bool Protocol::post(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
  return events_.post_reply(message, wparam, lparam);
}

}  // namespace tk52

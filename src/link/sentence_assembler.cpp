#include "link/sentence_assembler.h"

#include <string_view>

#include "protocol/framing.h"
#include "protocol/protocol.h"

namespace tk52 {

void ProtocolSentenceHandler::on_sentence(const char* text, std::size_t size,
                                          const CalendarTime& arrival, SentenceKind kind,
                                          bool checksum_ok) {
  protocol_.signal_arrival(kind);
  protocol_.dispatch(text, size, arrival, kind, checksum_ok);
}

void ProtocolSentenceHandler::on_device_gone(int error) {
  protocol_.report_device_gone(error);
}

void SentenceAssembler::reset() {
  fill_ = 0;
  inside_ = false;
  cr_seen_ = false;
  lf_seen_ = false;
  kind_ = SentenceKind::kUnrecognised;
}

void SentenceAssembler::start_sentence() {
  begin_sentence(stamp_dollar());
}

CalendarTime SentenceAssembler::stamp_dollar() {
  const ClockStamp stamp = clock_.stamp_now();
  last_dollar_tick_.store(stamp.tick, std::memory_order_release);
  return stamp.local;
}

void SentenceAssembler::begin_sentence(const CalendarTime& arrival) {
  arrival_ = arrival;
  reset();
  inside_ = true;
}

void SentenceAssembler::step(char byte) {
  switch (byte) {
    case '\n':
      if (inside_)
        lf_seen_ = true;
      break;
    case '\r':
      if (inside_)
        cr_seen_ = true;
      break;
    case '$':
      start_sentence();
      break;
    default:
      break;
  }
  if (inside_)
    take(byte);
}

void SentenceAssembler::take(char byte) {
  // Bytes of an overlong sentence beyond the buffer are dropped; the next "$" starts over.
  if (fill_ < buffer_.size())
    buffer_[fill_] = byte;
  if (fill_ < buffer_.size() + 1)
    ++fill_;
  if (fill_ == 6)
    kind_ = classify_name(buffer_.data() + 1);

  if (cr_seen_ && lf_seen_ && fill_ >= kMinSentence && fill_ <= kMaxSentence) {
    handler_.on_sentence(buffer_.data(), fill_, arrival_, kind_,
                         verify_sentence(buffer_.data(), fill_));
    reset();
  }
}

std::size_t SentenceAssembler::deliver_whole(std::string_view bytes, std::size_t dollar,
                                             const CalendarTime& arrival) {
  const std::string_view sentence = bytes.substr(dollar, kMaxSentence);
  std::size_t end = 1;
  while (end < sentence.size() && sentence[end] != '$' && sentence[end] != '\r' &&
         sentence[end] != '\n')
    ++end;
  if (end + 2 > sentence.size())
    return std::string_view::npos;
  const char first = sentence[end];
  const char second = sentence[end + 1];
  const std::size_t size = end + 2;
  if (!((first == '\r' && second == '\n') || (first == '\n' && second == '\r')) ||
      size < kMinSentence)
    return std::string_view::npos;
  handler_.on_sentence(sentence.data(), size, arrival, classify_name(sentence.data() + 1),
                       verify_sentence(sentence.data(), size));
  return dollar + size;
}

void SentenceAssembler::feed(const char* bytes, std::size_t size) {
  const std::string_view read(bytes, size);
  std::size_t at = 0;
  while (at < read.size()) {
    if (inside_) {
      step(read[at++]);
      continue;
    }
    // Outside a sentence only a "$" matters.
    const std::size_t dollar = read.find('$', at);
    if (dollar == std::string_view::npos)
      return;
    const CalendarTime arrival = stamp_dollar();
    at = deliver_whole(read, dollar, arrival);
    if (at == std::string_view::npos) {
      begin_sentence(arrival);
      take('$');
      at = dollar + 1;
    }
  }
}

}  // namespace tk52

#include "link/sentence_assembler.h"

#include "protocol/protocol.h"

namespace tk52 {

void ProtocolSentenceHandler::on_sentence(const char* text, std::size_t size,
                                          const CalendarTime& arrival, SentenceKind kind) {
  protocol_.signal_arrival(kind);
  protocol_.dispatch(text, size, arrival, kind);
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

void SentenceAssembler::feed(char byte) {
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
      arrival_ = clock_.local_now();
      last_dollar_tick_.store(clock_.tick_ms());
      reset();
      inside_ = true;
      break;
    default:
      break;
  }
  if (!inside_)
    return;

  // Bytes of an overlong sentence beyond the buffer are dropped; the next "$" starts over.
  if (fill_ < buffer_.size())
    buffer_[fill_] = byte;
  if (fill_ < buffer_.size() + 1)
    ++fill_;
  if (fill_ == 6)
    kind_ = classify_name(buffer_.data() + 1);

  if (cr_seen_ && lf_seen_ && fill_ >= kMinSentence && fill_ <= kMaxSentence) {
    handler_.on_sentence(buffer_.data(), fill_, arrival_, kind_);
    reset();
  }
}

}  // namespace tk52

#include "link/sentence_assembler.h"

#include <cstring>

#include "platform/byte_scan.h"
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

void SentenceAssembler::start_sentence() {
  const ClockStamp stamp = clock_.stamp_now();
  arrival_ = stamp.local;
  last_dollar_tick_.store(stamp.tick, std::memory_order_release);
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
    handler_.on_sentence(buffer_.data(), fill_, arrival_, kind_);
    reset();
  }
}

namespace {

constexpr bool is_special(char c) {
  return c == '$' || c == '\r' || c == '\n';
}

}  // namespace

const char* SentenceAssembler::append_run(const char* at, const char* end) {
  using byte_scan::kBlockSize;
  const std::size_t before = fill_;
  std::size_t fill = before;
  // A block at a time while both the input and the buffer hold one. A block is stored whole even
  // when the run ends inside it: the buffer past the fill is never read.
  bool ended = false;
  while (!ended && static_cast<std::size_t>(end - at) >= kBlockSize &&
         fill + kBlockSize <= buffer_.size()) {
    const byte_scan::Block block = byte_scan::Block::load(at);
    block.store(buffer_.data() + fill);
    const std::size_t taken = block.find_any('$', '\r', '\n');
    ended = taken < kBlockSize;
    fill += taken;
    at += taken;
  }
  if (!ended) {
    while (at < end && fill < buffer_.size() && !is_special(*at))
      buffer_[fill++] = *at++;
    // Past the buffer, an overlong sentence's bytes are only counted.
    while (at < end && !is_special(*at)) {
      ++fill;
      ++at;
    }
  }
  fill_ = fill < buffer_.size() + 1 ? fill : buffer_.size() + 1;
  if (before < 6 && fill_ >= 6)
    kind_ = classify_name(buffer_.data() + 1);
  return at;
}

void SentenceAssembler::feed(const char* bytes, std::size_t size) {
  const char* at = bytes;
  const char* const end = bytes + size;
  while (at < end) {
    if (!inside_) {
      // Outside a sentence only a "$" matters.
      const void* dollar = std::memchr(at, '$', static_cast<std::size_t>(end - at));
      if (dollar == nullptr)
        return;
      at = static_cast<const char*>(dollar) + 1;
      start_sentence();
      take('$');
      continue;
    }
    if (cr_seen_ && lf_seen_) {
      // A line end came before the shortest sentence: every byte may complete it.
      step(*at++);
      continue;
    }
    at = append_run(at, end);
    if (at == end)
      return;
    // The run ended at a "$", CR or LF.
    const char byte = *at++;
    if (byte == '$') {
      start_sentence();
    } else {
      (byte == '\r' ? cr_seen_ : lf_seen_) = true;
    }
    take(byte);
  }
}

}  // namespace tk52

#include "link/sentence_assembler.h"

#include <cstring>

#include "platform/byte_scan.h"
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

const char* SentenceAssembler::deliver_whole(const char* dollar, const char* end,
                                             const CalendarTime& arrival) {
  using byte_scan::Block;
  using byte_scan::kBlockSize;
  // The line end's first byte is at most the 81st character.
  const std::size_t available = static_cast<std::size_t>(end - dollar);
  const char* const limit = dollar + (available < kMaxSentence - 1 ? available : kMaxSentence - 1);
  // Looking for the line end, the first "*" and the exclusive-or of the body before it, which
  // checks the checksum without a second pass.
  const char* at = dollar + 1;
  const char* special = nullptr;
  const char* star = nullptr;
  byte_scan::XorFold folded;
  std::uint8_t sum = 0;
  // Bytes `from`..kBlockSize of a block.
  const auto look = [&](const Block& block, const char* base, std::size_t from) {
    const std::size_t found = block.find_any_from('$', '\r', '\n', from);
    if (star == nullptr) {
      const std::size_t asterisk = block.find_from('*', from);
      if (asterisk < found) {
        folded.add_between(block, from, asterisk);
        star = base + asterisk;
      } else {
        folded.add_between(block, from, found);
      }
    }
    if (found < kBlockSize)
      special = base + found;
  };
  while (special == nullptr && static_cast<std::size_t>(limit - at) >= kBlockSize) {
    look(Block::load(at), at, 0);
    at += kBlockSize;
  }
  if (special == nullptr && at < limit) {
    if (static_cast<std::size_t>(limit - dollar) > kBlockSize) {
      // One last block that ends at the limit, overlapping what was looked at.
      const char* const base = limit - kBlockSize;
      look(Block::load(base), base, static_cast<std::size_t>(at - base));
    } else {
      for (; at < limit && !is_special(*at); ++at) {
        if (star != nullptr)
          continue;
        if (*at == '*') {
          star = at;
        } else {
          sum ^= static_cast<std::uint8_t>(*at);
        }
      }
      if (at < limit)
        special = at;
    }
  }
  if (special == nullptr || end - special < 2)
    return nullptr;
  const bool line_end =
      (special[0] == '\r' && special[1] == '\n') || (special[0] == '\n' && special[1] == '\r');
  const std::size_t size = static_cast<std::size_t>(special - dollar) + 2;
  if (!line_end || size < kMinSentence)
    return nullptr;
  const std::size_t star_at = star != nullptr ? static_cast<std::size_t>(star - dollar) : size;
  handler_.on_sentence(
      dollar, size, arrival, classify_name(dollar + 1),
      checksum_matches(dollar, size, star_at, static_cast<std::uint8_t>(sum ^ folded.value())));
  return special + 2;
}

void SentenceAssembler::feed(const char* bytes, std::size_t size) {
  const char* at = bytes;
  const char* const end = bytes + size;
  while (at < end) {
    if (!inside_) {
      // Outside a sentence only a "$" matters; one usually follows the line end at once.
      const void* found =
          *at == '$' ? at : std::memchr(at, '$', static_cast<std::size_t>(end - at));
      if (found == nullptr)
        return;
      const char* const dollar = static_cast<const char*>(found);
      const CalendarTime arrival = stamp_dollar();
      if (const char* after = deliver_whole(dollar, end, arrival)) {
        at = after;
        continue;
      }
      at = dollar + 1;
      begin_sentence(arrival);
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
    // The run ended at a "$", CR or LF. A "$" starts over: the sentence it starts may be whole.
    const char byte = *at;
    if (byte == '$') {
      reset();
      continue;
    }
    ++at;
    (byte == '\r' ? cr_seen_ : lf_seen_) = true;
    take(byte);
  }
}

}  // namespace tk52

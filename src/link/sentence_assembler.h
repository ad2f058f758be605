// Cuts a byte stream into sentences, one byte at a time, exactly as the clock's link is read:
// a "$" (re)starts a sentence, a sentence is complete once both CR and LF have been seen (in
// either order), and only sentences of 8..82 characters, "$" through the line end, are delivered.
// The name is classified when the sixth byte arrives; the checksum is checked on delivery.
// Shared by the Windows and POSIX links, tk52cli and tk52sim; it allocates nothing.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/calendar_time.h"
#include "platform/clock.h"
#include "protocol/sentence_kind.h"

namespace tk52 {

class Protocol;

class SentenceHandler {
 public:
  virtual ~SentenceHandler() = default;
  // A complete sentence: its text from the "$" through the line end (valid during the call),
  // the time its "$" arrived, its kind, and whether its checksum holds (as verify_sentence()).
  virtual void on_sentence(const char* text, std::size_t size, const CalendarTime& arrival,
                           SentenceKind kind, bool checksum_ok) = 0;
  // The device went away (an adapter pulled out, a line hung up): the reader has ended, and the
  // port waits to be closed. `error` is the system error that said so.
  virtual void on_device_gone(int error) { static_cast<void>(error); }
};

// Hands complete sentences to the protocol: the arrival event first, then the dispatch, so an
// exchange that wakes on the event finds the reply posted within its take's wait.
class ProtocolSentenceHandler final : public SentenceHandler {
 public:
  explicit ProtocolSentenceHandler(Protocol& protocol) : protocol_(protocol) {}
  void on_sentence(const char* text, std::size_t size, const CalendarTime& arrival,
                   SentenceKind kind, bool checksum_ok) override;
  void on_device_gone(int error) override;

 private:
  Protocol& protocol_;
};

class SentenceAssembler {
 public:
  static constexpr std::size_t kBufferSize = 512;
  static constexpr std::size_t kMinSentence = 8;
  static constexpr std::size_t kMaxSentence = 82;

  SentenceAssembler(SentenceHandler& handler, const Clock& clock)
      : handler_(handler), clock_(clock) {}

  void feed(char byte) { step(byte); }
  // The same as feeding the bytes one by one. A sentence read whole is handed over from the bytes
  // read without a copy.
  void feed(const char* bytes, std::size_t size);

  // A failed read, or a read that timed out with no byte: the sentence in progress is lost.
  void reset();

  // The tick count at which the latest "$" arrived; the time synchronisation reads it.
  std::uint32_t last_dollar_tick() const { return last_dollar_tick_.load(); }

 private:
  void step(char byte);
  void start_sentence();
  // Reads the clock at a "$" and publishes its tick first: the time synchronisation reads it
  // while the sentence is dispatched. Returns the local time.
  CalendarTime stamp_dollar();
  // Starts the sentence of the "$" that arrived at `arrival`.
  void begin_sentence(const CalendarTime& arrival);
  // A sentence whose "$" is at `dollar` and whose line end (CR LF or LF CR) is among the bytes
  // read, 8..82 characters with no other "$", CR or LF in it, is handed over straight from them:
  // returns where the bytes after it start. npos when the sentence needs the byte-by-byte rules.
  std::size_t deliver_whole(std::string_view bytes, std::size_t dollar,
                            const CalendarTime& arrival);
  // Stores a byte of the sentence in progress and delivers the sentence once it is complete.
  void take(char byte);

  SentenceHandler& handler_;
  const Clock& clock_;
  std::array<char, kBufferSize> buffer_{};
  std::size_t fill_ = 0;
  bool inside_ = false;
  bool cr_seen_ = false;
  bool lf_seen_ = false;
  SentenceKind kind_ = SentenceKind::kUnrecognised;
  CalendarTime arrival_{};
  std::atomic<std::uint32_t> last_dollar_tick_{0};
};

}  // namespace tk52

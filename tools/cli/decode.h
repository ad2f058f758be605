// tk52cli decode: turns a file of sentences (a capture, or a traffic log "journal.txt") into one
// JSON object per sentence, decoded exactly as the program decodes what the reader delivers.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "protocol/device_model.h"

namespace tk52::cli {

// Decodes sentences one line at a time, carrying the model type from line to line as the
// program carries it from one identification reply to the next sentences.
class Decoder {
 public:
  explicit Decoder(DeviceModelType start_model);
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // Received: what the clock sent (a capture's every line). Sent: a request the program logged.
  enum class Direction { kReceived, kSent };

  // The JSON object for one line's sentence: the text from its last "$" to the end of the line,
  // without the line end. `size` may exceed the sentence limit; such a text is not read. A sent
  // request is named but not decoded as a reply.
  std::string decode_line(long long line_number, const char* sentence, std::size_t size,
                          Direction direction = Direction::kReceived);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Reads `in` to its end and writes one JSON line per line that holds a "$". Returns the
// number of decoded lines, kDecodeReadFailed when reading failed or kDecodeWriteFailed when
// writing failed (errno tells why); a failed write ends the decoding.
inline constexpr long long kDecodeReadFailed = -1;
inline constexpr long long kDecodeWriteFailed = -2;
long long decode_stream(std::FILE* in, std::FILE* out, DeviceModelType start_model);
// The same with the output handed to `write` a block at a time (false: the write failed).
long long decode_stream(std::FILE* in, const std::function<bool(std::string_view)>& write,
                        DeviceModelType start_model);

}  // namespace tk52::cli

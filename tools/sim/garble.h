// What a UART makes of bytes sent at another speed: garbage. The simulator only needs it to be
// garbage that is the same on every run and never holds a "$", so that it can never be read as
// a sentence, which real line noise at the wrong speed almost never is either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tk52::sim {

class Garbler {
 public:
  // `bytes` as a receiver at `receiver_baud` reads them from a sender at `sender_baud`.
  std::string garble(std::string_view bytes, int sender_baud, int receiver_baud);

 private:
  std::uint32_t position_ = 0;
};

}  // namespace tk52::sim

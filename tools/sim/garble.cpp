#include "garble.h"

namespace tk52::sim {

std::string Garbler::garble(std::string_view bytes, int sender_baud, int receiver_baud) {
  const auto speeds =
      static_cast<std::uint32_t>(sender_baud) * 31u ^ static_cast<std::uint32_t>(receiver_baud);
  std::string out;
  out.reserve(bytes.size());
  for (char byte : bytes) {
    std::uint32_t x = static_cast<unsigned char>(byte) ^ (position_++ * 0x9E3779B1u) ^ speeds;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    auto garbled = static_cast<unsigned char>(x);
    if (garbled == '$')
      garbled = 0xA4;
    out += static_cast<char>(garbled);
  }
  return out;
}

}  // namespace tk52::sim

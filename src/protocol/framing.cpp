#include "protocol/framing.h"

#include <array>
#include <cstring>

namespace tk52 {

std::uint8_t checksum(const char* data, std::size_t size) {
  if (data == nullptr || size < 3)
    return 0;
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < size; ++i)
    sum ^= static_cast<std::uint8_t>(data[i]);
  return sum;
}

char nibble_to_digit(unsigned value) {
  if (value < 10)
    return static_cast<char>('0' + value);
  if (value < 16)
    return static_cast<char>('A' + (value - 10));
  return '0';
}

unsigned digit_to_value(char c) {
  if (c >= '0' && c <= '9')
    return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F')
    return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f')
    return static_cast<unsigned>(c - 'a' + 10);
  return 0;
}

bool verify_sentence(const char* text, std::size_t size) {
  if (text == nullptr || size < 3)
    return false;
  const void* found = std::memchr(text + 1, '*', size - 1);
  if (found == nullptr)
    return false;
  const auto star = static_cast<std::size_t>(static_cast<const char*>(found) - text);
  if (star + 2 >= size)
    return false;
  const unsigned expected = digit_to_value(text[star + 1]) << 4 | digit_to_value(text[star + 2]);
  return checksum(text + 1, star - 1) == expected;
}

std::uint32_t hex_little_nibble_first(const char* text, std::size_t count) {
  if (count > 8)
    count = 8;
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < count; ++k)
    value |= std::uint32_t{digit_to_value(text[k])} << (4 * k);
  return value;
}

namespace {

// The CRC of each byte value entering at the top of the register, a byte at a time instead of a
// bit at a time: PKEXT and PKEXU carry one, and the time sentences come every second.
constexpr std::array<std::uint16_t, 256> make_crc16_table() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    auto crc = static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<std::uint16_t>(crc << 1);
    }
    table[byte] = crc;
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kCrc16Table = make_crc16_table();

}  // namespace

std::uint16_t crc16_ccitt_false(const char* data, std::size_t size) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned top = (crc >> 8) ^ static_cast<std::uint8_t>(data[i]);
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrc16Table[top]);
  }
  return crc;
}

std::size_t frame_body(std::string_view body, char* out) {
  constexpr std::size_t kOverhead = 6;  // "$", "*", two digits, CR LF
  if (body.size() > kFrameCapacity - 1 - kOverhead)
    body = body.substr(0, kFrameCapacity - 1 - kOverhead);
  const std::uint8_t sum = checksum(body.data(), body.size());
  std::size_t n = 0;
  out[n++] = '$';
  std::memcpy(out + n, body.data(), body.size());
  n += body.size();
  out[n++] = '*';
  out[n++] = nibble_to_digit(sum >> 4);
  out[n++] = nibble_to_digit(sum & 0x0F);
  out[n++] = '\r';
  out[n++] = '\n';
  out[n] = '\0';
  return n;
}

}  // namespace tk52

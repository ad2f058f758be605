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
  const std::string_view sentence(text, size);
  const std::size_t star = sentence.find('*', 1);
  if (star == std::string_view::npos || star + 2 >= size)
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

// The CRC four bytes a step instead of a bit at a time: PKEXT and PKEXU carry one, and the time
// sentences come every second. kCrcTables[k][b] is the register after byte b entered an empty
// register at the top, followed by k zero bytes; the register is linear in what enters it, so a
// step folds four such contributions.
using CrcTable = std::array<std::uint16_t, 256>;

constexpr std::array<CrcTable, 4> make_crc_tables() {
  std::array<CrcTable, 4> tables{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    auto crc = static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<std::uint16_t>(crc << 1);
    }
    tables[0][byte] = crc;
  }
  for (std::size_t k = 1; k < tables.size(); ++k) {
    for (unsigned byte = 0; byte < 256; ++byte) {
      const std::uint16_t crc = tables[k - 1][byte];
      tables[k][byte] = static_cast<std::uint16_t>((crc << 8) ^ tables[0][crc >> 8]);
    }
  }
  return tables;
}

constexpr std::array<CrcTable, 4> kCrcTables = make_crc_tables();

}  // namespace

std::uint16_t crc16_ccitt_false(const char* data, std::size_t size) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  std::uint16_t crc = 0xFFFF;
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    crc = static_cast<std::uint16_t>(kCrcTables[3][(crc >> 8) ^ bytes[i]] ^
                                     kCrcTables[2][(crc & 0xFF) ^ bytes[i + 1]] ^
                                     kCrcTables[1][bytes[i + 2]] ^ kCrcTables[0][bytes[i + 3]]);
  }
  for (; i < size; ++i)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTables[0][(crc >> 8) ^ bytes[i]]);
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

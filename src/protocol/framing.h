// The sentence frame: "$", body, "*", two checksum characters, CR LF. Checksum, hexadecimal
// helpers and the CRC-16 that the proprietary time sentences carry inside their body.
// Everything here works in place, allocates nothing and is linear in the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tk52 {

// Exclusive-or of the bytes. A run shorter than 3 bytes yields 0: the clock frames one- and
// two-character bodies with "00", so both sides use the same rule.
std::uint8_t checksum(const char* data, std::size_t size);

// 0..15 to "0".."9", "A".."F"; 16 and above to "0".
char nibble_to_digit(unsigned value);

// "0".."9", "A".."F", "a".."f" to 0..15; anything else to 0.
unsigned digit_to_value(char c);

constexpr bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool is_hex(char c) {
  return is_digit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// True when the two characters after the first "*" of a received sentence (text from its "$",
// size including CR LF) match the checksum of the body. A "*" with fewer than two characters
// after it inside `size` fails without reading past the sentence.
bool verify_sentence(const char* text, std::size_t size);

// Up to 8 hexadecimal characters read little nibble first: "21" is 0x12, "0A00" is 0xA0.
// Characters that are not hexadecimal count as 0.
std::uint32_t hex_little_nibble_first(const char* text, std::size_t count);

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial 0xFFFF, no reflection, no final xor.
std::uint16_t crc16_ccitt_false(const char* data, std::size_t size);

// The longest sentence the program ever builds, with its terminating NUL, fits in this.
inline constexpr std::size_t kFrameCapacity = 256;

// Frames a body as "$<body>*HH\r\n" into `out` (kFrameCapacity bytes) and returns the length
// without the terminating NUL. A body too long for the buffer is cut to fit.
std::size_t frame_body(std::string_view body, char* out);

}  // namespace tk52

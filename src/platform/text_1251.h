// Windows-1251 conversions. Log files and every 8-bit text of the program are Windows-1251
// whatever the system's ANSI code page is; the sources hold their texts in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tk52 {

// Characters without a Windows-1251 form, and malformed UTF-8, become '?'.
std::string utf8_to_cp1251(std::string_view utf8);

// Byte 0x98, the one hole in the code page, becomes U+FFFD.
std::string cp1251_to_utf8(std::string_view cp1251);

// The Unicode code point of one Windows-1251 byte (U+FFFD for 0x98).
char32_t cp1251_to_code_point(unsigned char byte);

}  // namespace tk52

#include "protocol/framing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tk52 {
namespace {

TEST(Checksum, IsTheXorOfRunsOfThreeOrMoreBytes) {
  EXPECT_EQ(checksum("PKEXS", 5), 0x55);
  EXPECT_EQ(checksum("ABC", 3), 'A' ^ 'B' ^ 'C');
  // Shorter runs give 0 on both sides of the line, not the xor of their bytes.
  EXPECT_EQ(checksum("AB", 2), 0);
  EXPECT_EQ(checksum("A", 1), 0);
  EXPECT_EQ(checksum(nullptr, 10), 0);
}

TEST(HexDigits, ConvertBothWays) {
  EXPECT_EQ(nibble_to_digit(0), '0');
  EXPECT_EQ(nibble_to_digit(9), '9');
  EXPECT_EQ(nibble_to_digit(10), 'A');
  EXPECT_EQ(nibble_to_digit(15), 'F');
  EXPECT_EQ(nibble_to_digit(16), '0');
  EXPECT_EQ(nibble_to_digit(255), '0');
  EXPECT_EQ(digit_to_value('7'), 7u);
  EXPECT_EQ(digit_to_value('b'), 11u);
  EXPECT_EQ(digit_to_value('B'), 11u);
  EXPECT_EQ(digit_to_value('G'), 0u);
  EXPECT_EQ(digit_to_value('*'), 0u);
}

struct VerifyCase {
  const char* legend;
  std::string text;
  std::size_t size;  // 0: the whole text
  bool expected;
};

TEST(VerifySentence, Cases) {
  const VerifyCase cases[] = {
      {"the periodic poll", "$PKEXS*55\r\n", 0, true},
      {"a real receiver's sentence", "$GPZDA,202640.000,13,04,2015,,*54\r\n", 0, true},
      {"wrong checksum", "$PKEXS*56\r\n", 0, false},
      {"lower-case checksum digit", "$PKEXE,01*6e\r\n", 0, true},
      {"upper-case checksum digit", "$PKEXE,01*6E\r\n", 0, true},
      {"no star", "$PKEXS55\r\n", 0, false},
      {"two-character body verifies only with 00", "$AB*00\r\n", 0, true},
      {"two-character body with its xor", "$AB*03\r\n", 0, false},
      {"star is the last character inside the size", "$PKEXS*55\r\n", 7, false},
      {"one character after the star inside the size", "$PKEXS*55\r\n", 8, false},
      {"both checksum characters just inside the size", "$PKEXS*55\r\n", 9, true},
      {"shorter than three", "$P", 0, false},
      {"non-hex checksum digit counts as 0", "$PKEXS*5G\r\n", 0, false},
      {"the first star ends the body", "$ABC*40*00\r\n", 0, true},
  };
  for (const VerifyCase& c : cases) {
    const std::size_t size = c.size ? c.size : c.text.size();
    // Copy exactly `size` bytes into their own allocation, so that ASan catches a read past it.
    std::string exact(c.text, 0, size);
    EXPECT_EQ(verify_sentence(exact.data(), exact.size()), c.expected) << c.legend;
  }
  EXPECT_FALSE(verify_sentence(nullptr, 11));
}

TEST(VerifySentence, NeverReadsPastTheGivenSize) {
  // A heap buffer holding only "$PKEX*": under AddressSanitizer a read of the digits that are
  // not there would abort the test.
  const char text[] = {'$', 'P', 'K', 'E', 'X', '*'};
  auto* exact = new char[sizeof text];
  std::copy(std::begin(text), std::end(text), exact);
  EXPECT_FALSE(verify_sentence(exact, sizeof text));
  delete[] exact;
}

TEST(HexLittleNibbleFirst, ReadsTheFirstCharacterAsTheLowestNibble) {
  EXPECT_EQ(hex_little_nibble_first("21", 2), 0x12u);
  EXPECT_EQ(hex_little_nibble_first("0A00", 4), 0xA0u);
  EXPECT_EQ(hex_little_nibble_first("10000000", 8), 1u);
  EXPECT_EQ(hex_little_nibble_first("FFFFFFFF", 8), 0xFFFFFFFFu);
  EXPECT_EQ(hex_little_nibble_first("x1", 2), 0x10u);
  EXPECT_EQ(hex_little_nibble_first("123456789", 9), 0x87654321u);  // at most 8 digits
}

TEST(Crc16, IsCcittFalse) {
  EXPECT_EQ(crc16_ccitt_false("123456789", 9), 0x29B1);
  EXPECT_EQ(crc16_ccitt_false("", 0), 0xFFFF);
  EXPECT_EQ(crc16_ccitt_false("A", 1), 0xB915);
}

// The table-driven CRC agrees with the definition, computed a bit at a time: for every pair of
// byte values (high bytes included), for random runs of every length up to a line's, and for a
// time sentence's body cut at every length.
TEST(Crc16, TableAgreesWithTheBitwiseDefinition) {
  const auto bitwise = [](const std::string& data) {
    std::uint16_t crc = 0xFFFF;
    for (const char c : data) {
      crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(c) << 8);
      for (int bit = 0; bit < 8; ++bit)
        crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
  };
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      const std::string pair = {static_cast<char>(first), static_cast<char>(second)};
      ASSERT_EQ(crc16_ccitt_false(pair.data(), 2), bitwise(pair)) << first << " " << second;
    }
  }
  std::mt19937 random(52);
  for (int round = 0; round < 20000; ++round) {
    std::string run(random() % 83, '\0');
    for (char& c : run)
      c = static_cast<char>(random());
    ASSERT_EQ(crc16_ccitt_false(run.data(), run.size()), bitwise(run)) << round;
  }
  const std::string body = "120005.25,10,12,2026,A,,5C2E7B00";
  for (std::size_t size = 0; size <= body.size(); ++size)
    EXPECT_EQ(crc16_ccitt_false(body.data(), size), bitwise(body.substr(0, size))) << size;
}

// The verification agrees with its definition (the first "*" after the "$", the
// exclusive-or of the body before it, two digits after it within the size) for sentences of
// every length up to a line's with the "*" anywhere or nowhere, their checksums right and wrong.
TEST(VerifySentence, AgreesWithTheDefinitionWhereverTheStarIs) {
  const auto defined = [](const std::string& text) {
    if (text.size() < 3)
      return false;
    const std::size_t star = text.find('*', 1);
    if (star == std::string::npos || star + 2 >= text.size())
      return false;
    const unsigned expected = digit_to_value(text[star + 1]) << 4 | digit_to_value(text[star + 2]);
    return checksum(text.data() + 1, star - 1) == expected;
  };
  std::mt19937 random(52);
  int verified = 0;
  for (std::size_t size = 0; size <= 90; ++size) {
    for (std::size_t star = 0; star <= size; ++star) {
      for (int variant = 0; variant < 4; ++variant) {
        std::string text(size, 'x');
        for (char& c : text)
          c = static_cast<char>(' ' + random() % 90);  // "*" among them now and then
        if (size > 0)
          text[0] = '$';
        if (star > 0 && star < size) {
          text[star] = '*';
          // Half of them carry their right checksum.
          const std::size_t body_end = text.find('*', 1);
          if (variant % 2 == 0 && body_end + 2 < size) {
            const std::uint8_t sum = checksum(text.data() + 1, body_end - 1);
            text[body_end + 1] = nibble_to_digit(sum >> 4);
            text[body_end + 2] = nibble_to_digit(sum & 0x0F);
          }
        }
        const bool expected = defined(text);
        verified += expected;
        ASSERT_EQ(verify_sentence(text.data(), text.size()), expected) << text;
      }
    }
  }
  EXPECT_GT(verified, 1000);
}

TEST(FrameBody, AppendsChecksumAndLineEnd) {
  char out[kFrameCapacity];
  EXPECT_EQ(frame_body("PKEXS", out), 11u);
  EXPECT_STREQ(out, "$PKEXS*55\r\n");
  frame_body("AB", out);
  EXPECT_STREQ(out, "$AB*00\r\n");
  frame_body(std::string(400, 'A'), out);
  EXPECT_EQ(std::string(out).size(), kFrameCapacity - 1);
}

}  // namespace
}  // namespace tk52

#include "platform/text_1251.h"

#include <gtest/gtest.h>

namespace tk52 {
namespace {

TEST(Text1251, EncodesTheProgramsTexts) {
  EXPECT_EQ(utf8_to_cp1251("Ошибка!"), "\xCE\xF8\xE8\xE1\xEA\xE0!");
  EXPECT_EQ(utf8_to_cp1251("ёЁ№–—"), "\xB8\xA8\xB9\x96\x97");
  EXPECT_EQ(utf8_to_cp1251("UTC (SU)"), "UTC (SU)");
  EXPECT_EQ(utf8_to_cp1251("ТК-52"), "\xD2\xCA-52");
}

TEST(Text1251, ReplacesWhatItCannotEncode) {
  EXPECT_EQ(utf8_to_cp1251("日本"), "??");
  EXPECT_EQ(utf8_to_cp1251("a\xFF"
                           "b"),
            "a?b");
  EXPECT_EQ(utf8_to_cp1251("\xD0"), "?");  // truncated sequence
  EXPECT_EQ(utf8_to_cp1251("\xD0"
                           "A"),
            "?A");                                 // broken sequence keeps the next character
  EXPECT_EQ(utf8_to_cp1251("\xEF\xBF\xBD"), "?");  // U+FFFD is not the hole at 0x98
}

TEST(Text1251, EveryByteRoundTrips) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98)
      continue;
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(utf8_to_cp1251(cp1251_to_utf8(one)), one) << b;
  }
  EXPECT_EQ(cp1251_to_utf8("\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(cp1251_to_code_point(0xC0), U'А');
  EXPECT_EQ(cp1251_to_code_point(0xFF), U'я');
}

}  // namespace
}  // namespace tk52

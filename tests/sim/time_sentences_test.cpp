#include "time_sentences.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/framing.h"
#include "protocol/parsers.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

constexpr std::int64_t kInstant = 1'796'904'005'000;  // 2026-12-10 12:00:05 UTC

struct FormatCase {
  int format;
  const char* status;
  const char* body;  // empty: the format sends no text
};

TEST(TimeSentences, EachFormatGivesItsSentence) {
  const FormatCase cases[] = {
      {0, "A", ""},
      {1, "A", ""},
      {2, "A", "PKEXT,120005.00,10,12,2026,A,08,"},
      {2, "V", "PKEXT,120005.00,10,12,2026,V,,"},
      {3, "A", "PKEXU,120005.00,10,12,2026,A,08,6B1A9445,"},
      {4, "A", "GPZDA,120005.00,10,12,2026,00,00"},
      {5, "A", "GPRMC,120005.00,A,5545.0012,N,03737.5000,E,0.0,0.0,101226,,,A"},
      {5, "V", "GPRMC,120005.00,V,5545.0012,N,03737.5000,E,0.0,0.0,101226,,,N"},
      {6, "A", "GPGGA,120005.00,5545.0012,N,03737.5000,E,1,08,1.0,156.07,M,14.0,M,,"},
      {7, "A", ""},
      {8, "A", ""},
  };
  for (const FormatCase& c : cases) {
    ExtraInfoSettings info;
    info.status = c.status[0];
    const std::string body = time_sentence_body(c.format, kInstant, info);
    EXPECT_TRUE(body.starts_with(c.body)) << c.format << ": " << body;
    EXPECT_EQ(body.empty(), std::string_view(c.body).empty()) << c.format;
    EXPECT_LE(frame(body).size(), 82u) << body;
  }
}

TEST(TimeSentences, ProprietaryFormsDecodeWithTheirCrc) {
  ExtraInfoSettings info;
  for (char status : {'A', 'V'}) {
    info.status = status;
    for (int format : {time_format::kTk52, time_format::kTk52Unix}) {
      const std::string text = frame(time_sentence_body(format, kInstant + 250, info));
      ASSERT_TRUE(verify_sentence(text.data(), text.size())) << text;
      TimeRecord record{};
      const ResultCode code = format == time_format::kTk52
                                  ? parse_pkext(text.data(), text.size(), record)
                                  : parse_pkexu(text.data(), text.size(), record);
      ASSERT_EQ(code, result::kOk) << text;
      EXPECT_EQ(record.year, 2026);
      EXPECT_EQ(record.month, 12);
      EXPECT_EQ(record.day, 10);
      EXPECT_EQ(record.hour, 12);
      EXPECT_EQ(record.second, 5);
      EXPECT_EQ(record.milliseconds, 250);
      EXPECT_EQ(record.status, status);
    }
  }
}

TEST(TimeSentences, CrcIsTheConfiguratorsCrcOfTheFieldsAfterTheName) {
  const std::string body = time_sentence_body(time_format::kTk52, kInstant, ExtraInfoSettings{});
  const std::string covered = body.substr(6, body.rfind(',') - 6);
  EXPECT_EQ(body.substr(body.rfind(',') + 1),
            hex_upper(crc16_ccitt_false(covered.data(), covered.size()), 4));
}

}  // namespace
}  // namespace tk52::sim

#include "protocol/parsers.h"

#include <gtest/gtest.h>

#include <string>

#include "sentences.h"

namespace tk52 {
namespace {

using test::sentence;
using test::time_sentence;

constexpr ResultCode kOk = result::kOk;
constexpr ResultCode kBad = result::kBadField;

// Each sentence is copied into an allocation of exactly its size, so that AddressSanitizer
// reports any parser that reads past it.
template <class Parse>
ResultCode run(const std::string& text, Parse parse) {
  std::string exact(text);
  exact.shrink_to_fit();
  return parse(exact.data(), exact.size());
}

struct TimeCase {
  const char* legend;
  std::string text;
  ResultCode expected;
};

TEST(TimeParser, Cases) {
  const TimeCase cases[] = {
      {"a normal PKEXT", time_sentence("PKEXT", "123456.57,10,12,2026,A,12"), kOk},
      {"status V", time_sentence("PKEXT", "123456.57,10,12,2026,V,"), kOk},
      {"year 2019 is accepted", time_sentence("PKEXT", "000000.00,01,01,2019,A,"), kOk},
      {"year 2110 is accepted", time_sentence("PKEXT", "000000.00,01,01,2110,A,"), kOk},
      {"year 2009 is rejected", time_sentence("PKEXT", "000000.00,01,01,2009,A,"), kBad},
      {"year 2100 is rejected", time_sentence("PKEXT", "000000.00,01,01,2100,A,"), kBad},
      {"year 2210 is rejected", time_sentence("PKEXT", "000000.00,01,01,2210,A,"), kBad},
      {"day 40", time_sentence("PKEXT", "000000.00,40,01,2026,A,"), kBad},
      {"month 20", time_sentence("PKEXT", "000000.00,01,20,2026,A,"), kBad},
      {"status X", time_sentence("PKEXT", "000000.00,01,01,2026,X,"), kBad},
      {"three digits in the spare field", time_sentence("PKEXT", "000000.00,01,01,2026,A,123"),
       kBad},
      {"one-digit hundredths", time_sentence("PKEXT", "000000.0,01,01,2026,A,"), kBad},
      {"CRC mismatch", sentence("PKEXT,000000.00,01,01,2026,A,,1234"), result::kBadCrc},
      {"CRC in lower case", "", kOk},  // filled below
      {"no CRC field", sentence("PKEXT,000000.00,01,01,2026,A,"), kBad},
      {"five CRC digits", sentence("PKEXT,000000.00,01,01,2026,A,,12345"), kBad},
      {"field error before a wrong CRC wins", sentence("PKEXT,000000.00,01,01,2009,A,,0000"), kBad},
  };
  for (TimeCase c : cases) {
    if (std::string(c.legend) == "CRC in lower case") {
      std::string upper = time_sentence("PKEXT", "235959.99,31,12,2099,A,7");
      std::string body = upper.substr(1, upper.find('*') - 1);
      for (std::size_t i = body.rfind(',') + 1; i < body.size(); ++i) {
        body[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(body[i])));
      }
      c.text = sentence(body);
    }
    TimeRecord t{};
    EXPECT_EQ(run(c.text, [&](const char* s, std::size_t n) { return parse_pkext(s, n, t); }),
              c.expected)
        << c.legend << ": " << c.text;
  }
}

TEST(TimeParser, DecodesEveryField) {
  TimeRecord t{};
  const std::string text = time_sentence("PKEXT", "123456.57,10,12,2026,A,12");
  ASSERT_EQ(run(text, [&](const char* s, std::size_t n) { return parse_pkext(s, n, t); }), kOk);
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 10);
  EXPECT_EQ(t.day_of_week, 0);
  EXPECT_EQ(t.hour, 12);
  EXPECT_EQ(t.minute, 34);
  EXPECT_EQ(t.second, 56);
  EXPECT_EQ(t.milliseconds, 570);  // 57 hundredths
  EXPECT_EQ(t.status, 'A');
}

TEST(TimeParser, PkexuCarriesAHexFieldInsideTheCrc) {
  TimeRecord t{};
  const std::string good = time_sentence("PKEXU", "010203.40,05,06,2027,V,,DEADBEEF");
  EXPECT_EQ(run(good, [&](const char* s, std::size_t n) { return parse_pkexu(s, n, t); }), kOk);
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.milliseconds, 400);
  EXPECT_EQ(t.status, 'V');
  const std::string nine = time_sentence("PKEXU", "010203.40,05,06,2027,V,,DEADBEEF0");
  EXPECT_EQ(run(nine, [&](const char* s, std::size_t n) { return parse_pkexu(s, n, t); }), kBad);
  // A PKEXT layout is not a PKEXU.
  const std::string pkext = time_sentence("PKEXU", "010203.40,05,06,2027,V,");
  EXPECT_NE(run(pkext, [&](const char* s, std::size_t n) { return parse_pkexu(s, n, t); }), kOk);
}

struct CodeCase {
  const char* body;
  ResultCode expected;
  int code;
};

TEST(ResultForm, PkexcAndPkexd) {
  const CodeCase cases[] = {
      {"PKEXC,OK", kOk, 5},   {"PKEXC,E3", kOk, 3},       {"PKEXC,E", kOk, 0},
      {"PKEXC,EX", kBad, 0},  {"PKEXC,OKX", kBad, 5},     {"PKEXC,O", kBad, 0},
      {"PKEXC,E34", kBad, 3}, {"PKEXC,2,1,2,0", kBad, 0}, {"PKEXC", kBad, 0},
  };
  for (const CodeCase& c : cases) {
    for (auto parse : {parse_pkexc_result, parse_pkexd}) {
      ResultCodeRecord r{};
      EXPECT_EQ(run(sentence(c.body), [&](const char* s, std::size_t n) { return parse(s, n, r); }),
                c.expected)
          << c.body;
      EXPECT_EQ(r.code, c.code) << c.body;
    }
  }
}

struct ConfigCase {
  int model;  // the model type's number
  const char* body;
  ResultCode expected;
  DeviceConfiguration config;
};

TEST(ConfigurationParser, LayoutFollowsTheModel) {
  const ConfigCase cases[] = {
      {1, "PKEXC,2,1,2,0", kOk, {2, 0, 1, 0, 0, 0}},
      {1, "PKEXC,8,3,1,1", kOk, {8, 2, 0, 1, 0, 0}},
      {1, "PKEXC,2,0,2,0", kBad, {2, 0, 0, 0, 0, 0}},
      {2, "PKEXC,9,1,2,0", kBad, {}},
      {2, "PKEXC,2,1,3,0", kBad, {2, 0, 0, 0, 0, 0}},
      {2, "PKEXC,2,1,2,2", kBad, {2, 0, 1, 0, 0, 0}},
      {0, "PKEXC,2,1,2,0", kOk, {2, 0, 1, 0, 0, 0}},
      {1, "PKEXC,2,1,2,0,2,100", kBad, {2, 0, 1, 0, 0, 0}},
      {3, "PKEXC,2,0,2,0,2,100", kOk, {2, 0, 1, 0, 2, 100}},
      {4, "PKEXC,3,3,1,1,0,005", kOk, {3, 3, 0, 1, 0, 5}},
      {3, "PKEXC,2,1,2,0", kBad, {2, 1, 1, 0, 0, 0}},
      {3, "PKEXC,2,1,2,0,3,100", kBad, {2, 1, 1, 0, 0, 0}},
      {3, "PKEXC,2,1,2,0,2,10", kBad, {2, 1, 1, 0, 2, 0}},
      {3, "PKEXC,2,1,2,0,2,1000", kBad, {2, 1, 1, 0, 2, 100}},
  };
  for (const ConfigCase& c : cases) {
    DeviceConfiguration d{};
    const ResultCode r = run(sentence(c.body), [&](const char* s, std::size_t n) {
      return parse_pkexc_config(s, n, model_from_number(c.model), d);
    });
    EXPECT_EQ(r, c.expected) << "type " << c.model << ": " << c.body;
    if (r == kOk) {
      EXPECT_EQ(d.time_stamp_format, c.config.time_stamp_format) << c.body;
      EXPECT_EQ(d.satellite_systems, c.config.satellite_systems) << c.body;
      EXPECT_EQ(d.utc_reference, c.config.utc_reference) << c.body;
      EXPECT_EQ(d.heating, c.config.heating) << c.body;
      EXPECT_EQ(d.pps_source, c.config.pps_source) << c.body;
      EXPECT_EQ(d.pps_width, c.config.pps_width) << c.body;
    }
  }
}

TEST(SpeedParser, Cases) {
  struct {
    const char* body;
    ResultCode expected;
    int index;
    char letter;
  } cases[] = {
      {"PKEXR,7,A", kOk, 6, 'A'},   {"PKEXR,1,R", kOk, 0, 'R'}, {"PKEXR,3,E", kOk, 2, 'E'},
      {"PKEXR,8,A", kBad, 0, 0},    {"PKEXR,0,A", kBad, 0, 0},  {"PKEXR,1,X", kBad, 0, 0},
      {"PKEXR,1,A,", kBad, 0, 'A'}, {"PKEXR,12,A", kBad, 0, 0},
  };
  for (const auto& c : cases) {
    SpeedReply s{};
    EXPECT_EQ(
        run(sentence(c.body), [&](const char* t, std::size_t n) { return parse_pkexr(t, n, s); }),
        c.expected)
        << c.body;
    if (c.expected == kOk) {
      EXPECT_EQ(s.speed_index, c.index) << c.body;
      EXPECT_EQ(s.letter, c.letter) << c.body;
    }
  }
}

TEST(IdentificationParser, Cases) {
  struct {
    const char* body;
    ResultCode expected;
    const char* model;
    const char* hardware;
    const char* software;
  } cases[] = {
      {"PKEXI,TK-52.00,01,V1.23", kOk, "TK-52.00", "01", "V1.23"},
      {"PKEXI,TK-52.01,12,V9.87", kOk, "TK-52.01", "12", "V9.87"},
      {"PKEXI,TK-52.A,03,V2.345", kOk, "TK-52.A ", "03", "V2.345"},
      {"PKEXI,TK-53,02,V1.234", kOk, "TK-53", "02", "V1.234"},
      {"PKEXI,TK-43,02,V1.23", kOk, "TK-43", "02", "V1.23"},  // unknown short model
      {"PKEXI,TK-53,02,V1.23", kBad, "TK-53", "02", "V1.23"},
      {"PKEXI,TK-52.00,01,V1.234", kBad, "TK-52.00", "01", "V1.23"},
      {"PKEXI,TK-52.A,03,V2.34", kBad, "TK-52.A ", "03", "V2.34"},
      {"PKEXI,TK-52.B,03,V2.345", kBad, "TK-52.", "", ""},
      {"PKEXI,TK-52,01,V1.23", kBad, "TK-52", "", ""},
      {"PKEXI,TX-52.00,01,V1.23", kBad, "", "", ""},
      {"PKEXI,TK-52.00,1,V1.23", kBad, "TK-52.00", "1", ""},
      {"PKEXI,TK-52.00,01,1.23", kBad, "TK-52.00", "01", ""},
  };
  for (const auto& c : cases) {
    IdentificationRecord id{};
    EXPECT_EQ(
        run(sentence(c.body), [&](const char* s, std::size_t n) { return parse_pkexi(s, n, id); }),
        c.expected)
        << c.body;
    EXPECT_STREQ(id.model, c.model) << c.body;
    EXPECT_STREQ(id.hardware, c.hardware) << c.body;
    EXPECT_STREQ(id.software, c.software) << c.body;
  }
}

TEST(ExtraInfoParser, DecodesAFullReply) {
  ExtraInfo e{};
  const std::string text = sentence("PKEXS,A,08,1,-12,5545.0123456,N,03737.1234,E,145.05,M");
  ASSERT_EQ(run(text, [&](const char* s, std::size_t n) { return parse_pkexs(s, n, e); }), kOk);
  EXPECT_EQ(e.status_valid, 1);
  EXPECT_EQ(e.satellites, 8);
  EXPECT_EQ(e.heating, 1);
  EXPECT_EQ(e.temperature, -12);
  EXPECT_EQ(e.temperature_present, 1);
  EXPECT_EQ(e.lat_deg, 55);
  EXPECT_EQ(e.lat_min, 45);
  EXPECT_EQ(e.lat_frac, 123456);
  EXPECT_EQ(e.lat_frac_digits, 7);
  EXPECT_EQ(e.lat_hemisphere, 'N');
  EXPECT_EQ(e.lat_present, 1);
  EXPECT_EQ(e.lon_deg, 37);
  EXPECT_EQ(e.lon_min, 37);
  EXPECT_EQ(e.lon_frac, 1234);
  EXPECT_EQ(e.lon_frac_digits, 4);
  EXPECT_EQ(e.lon_hemisphere, 'E');
  EXPECT_EQ(e.lon_present, 1);
  EXPECT_EQ(e.alt_int, 145);
  EXPECT_EQ(e.alt_frac, 5);
  EXPECT_EQ(e.alt_frac_digits, 2);
  EXPECT_EQ(e.alt_present, 1);
}

TEST(ExtraInfoParser, Cases) {
  struct {
    const char* legend;
    const char* body;
    ResultCode expected;
    int satellites, lat_frac, lat_frac_digits, alt_int, alt_frac, alt_present;
  } cases[] = {
      {"status V hides the satellites", "PKEXS,V,08,0,,,,,,,", kOk, 0, 0, 0, 0, 0, 0},
      {"every field empty", "PKEXS,,,,,,,,,,", kOk, 0, 0, 0, 0, 0, 0},
      {"an overlong fraction keeps its first seven digits",
       "PKEXS,A,,,,5545.123456789012345678901234567890,N,,,,", kOk, 0, 1234567, 7, 0, 0, 0},
      {"altitude of nine digits", "PKEXS,A,,,,,,,,999999999.5,M", kOk, 0, 0, 0, 999999999, 5, 1},
      {"altitude of ten digits is refused", "PKEXS,A,,,,,,,,9999999999,M", kBad, 0, 0, 0, 999999999,
       0, 1},
      {"negative altitude with a long fraction", "PKEXS,A,,,,,,,,-12.000000000099,m", kOk, 0, 0, 0,
       -12, 0, 1},
      {"altitude without M", "PKEXS,A,,,,,,,,7,", kOk, 0, 0, 0, 7, 0, 1},
      {"three satellite digits", "PKEXS,A,123,,,,,,,,", kBad, 12, 0, 0, 0, 0, 0},
      {"status X", "PKEXS,X,,,,,,,,,", kBad, 0, 0, 0, 0, 0, 0},
      {"hemisphere Q", "PKEXS,A,,,,5545.1,Q,,,,", kBad, 0, 1, 1, 0, 0, 0},
      {"missing field", "PKEXS,A,,,,,,,,", kBad, 0, 0, 0, 0, 0, 1},
      {"three temperature digits", "PKEXS,A,,,123,,,,,,", kBad, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ExtraInfo e{};
    EXPECT_EQ(
        run(sentence(c.body), [&](const char* s, std::size_t n) { return parse_pkexs(s, n, e); }),
        c.expected)
        << c.legend;
    EXPECT_EQ(e.satellites, c.satellites) << c.legend;
    EXPECT_EQ(e.lat_frac, c.lat_frac) << c.legend;
    EXPECT_EQ(e.lat_frac_digits, c.lat_frac_digits) << c.legend;
    EXPECT_EQ(e.alt_int, c.alt_int) << c.legend;
    EXPECT_EQ(e.alt_frac, c.alt_frac) << c.legend;
    EXPECT_EQ(e.alt_present, c.alt_present) << c.legend;
  }
}

TEST(DeviceErrorParser, TwoDigits) {
  DeviceErrorRecord e{};
  EXPECT_EQ(
      run(sentence("PKEXE,01"), [&](const char* s, std::size_t n) { return parse_pkexe(s, n, e); }),
      kOk);
  EXPECT_EQ(e.code, 1);
  EXPECT_EQ(
      run(sentence("PKEXE,99"), [&](const char* s, std::size_t n) { return parse_pkexe(s, n, e); }),
      kOk);
  EXPECT_EQ(e.code, 99);
  EXPECT_EQ(
      run(sentence("PKEXE,1"), [&](const char* s, std::size_t n) { return parse_pkexe(s, n, e); }),
      kBad);
  EXPECT_EQ(run(sentence("PKEXE,123"),
                [&](const char* s, std::size_t n) { return parse_pkexe(s, n, e); }),
            kBad);
}

TEST(JournalParser, HeaderForm) {
  JournalHeader h{};
  EXPECT_EQ(run(sentence("PKEXJ,01,0120"),
                [&](const char* s, std::size_t n) { return parse_pkexj_header(s, n, h); }),
            kOk);
  EXPECT_EQ(h.journal, 0);
  EXPECT_EQ(h.count, 120);
  EXPECT_EQ(run(sentence("PKEXJ,03,9999"),
                [&](const char* s, std::size_t n) { return parse_pkexj_header(s, n, h); }),
            kOk);
  EXPECT_EQ(h.journal, 2);
  EXPECT_EQ(h.count, 9999);
  for (const char* bad :
       {"PKEXJ,00,0001", "PKEXJ,04,0001", "PKEXJ,1,0001", "PKEXJ,01,001", "PKEXJ,01,0001,"}) {
    EXPECT_EQ(run(sentence(bad),
                  [&](const char* s, std::size_t n) { return parse_pkexj_header(s, n, h); }),
              kBad)
        << bad;
  }
}

TEST(JournalParser, RecordFormReadsLittleNibbleFirst) {
  struct {
    const char* body;
    ResultCode expected;
    int journal, number, event, value16;
    std::uint32_t value32;
  } cases[] = {
      // event 0x05, value16 0x1234, two unused characters, value32 0x12345678
      {"PKEXJ,02,0007,5043219987654321", kOk, 1, 7, 0x05, 0x1234, 0x12345678},
      {"PKEXJ,01,0000,", kOk, 0, 0, 0, 0, 0},
      {"PKEXJ,01,0001,41", kOk, 0, 1, 0x14, 0, 0},
      {"PKEXJ,03,9999,FFFFFFFFFFFFFFFF", kOk, 2, 9999, 0xFF, 0xFFFF, 0xFFFFFFFF},
      {"PKEXJ,01,0001,FFFFFFFFFFFFFFFFF", kBad, 0, 1, 0, 0, 0},
      {"PKEXJ,01,0001,XY", kBad, 0, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    JournalRecordEntry r{};
    EXPECT_EQ(run(sentence(c.body),
                  [&](const char* s, std::size_t n) { return parse_pkexj_record(s, n, r); }),
              c.expected)
        << c.body;
    if (c.expected != kOk)
      continue;
    EXPECT_EQ(r.journal, c.journal) << c.body;
    EXPECT_EQ(r.number, c.number) << c.body;
    EXPECT_EQ(r.event(), c.event) << c.body;
    EXPECT_EQ(r.value16(), c.value16) << c.body;
    EXPECT_EQ(r.value32, c.value32) << c.body;
  }
}

}  // namespace
}  // namespace tk52

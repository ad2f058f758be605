#include "decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "sentences.h"

namespace tk52::cli {
namespace {

using test::sentence;
using test::time_sentence;

// Runs decode_stream over `input` through real temporary files.
std::string decode_text(const std::string& input,
                        DeviceModelType model = DeviceModelType::kUnknown) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  EXPECT_TRUE(in && out);
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  EXPECT_GE(decode_stream(in, out, model), 0);
  std::string result;
  std::rewind(out);
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0)
    result.append(buffer, n);
  std::fclose(in);
  std::fclose(out);
  return result;
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(Decode, OneJsonObjectPerLineWithADollar) {
  const std::string input = "# a comment\n" + sentence("PKEXR,7,A") + "no dollar here\r\n" +
                            "garbage$" + sentence("PKEXE,07").substr(1) + "$PKEXS*56\n";
  EXPECT_EQ(decode_text(input),
            "{\"line\":2,\"direction\":\"received\",\"kind\":\"PKEXR\",\"kind_id\":6,\"result\":"
            "4096,\"model_type\":0,"
            "\"record\":{\"speed_index\":6,\"letter\":\"A\"}}\n"
            "{\"line\":4,\"direction\":\"received\",\"kind\":\"PKEXE\",\"kind_id\":10,\"result\":"
            "4096,\"model_type\":0,"
            "\"record\":{\"code\":7}}\n"
            "{\"line\":5,\"direction\":\"received\",\"kind\":\"PKEXS\",\"kind_id\":8,\"result\":"
            "4098,\"model_type\":0,"
            "\"record\":null}\n");
}

TEST(Decode, ModelTypeFollowsIdentificationReplies) {
  const std::string input = sentence("PKEXC,2,1,2,0,2,100") + sentence("PKEXI,TK-52.A,01,V2.345") +
                            sentence("PKEXC,2,1,2,0,2,100");
  const std::string out = decode_text(input, DeviceModelType::kTk5200);
  std::istringstream lines(out);
  std::string first, second, third;
  std::getline(lines, first);
  std::getline(lines, second);
  std::getline(lines, third);
  EXPECT_NE(first.find("\"result\":4097,\"model_type\":1"), std::string::npos) << first;
  EXPECT_NE(second.find("\"model_type\":3,\"record\":{\"model\":\"TK-52.A\",\"hardware\":\"01\","
                        "\"software\":\"V2.345\"}"),
            std::string::npos)
      << second;
  EXPECT_NE(third.find("\"result\":4096,\"model_type\":3,\"record\":{\"form\":\"config\","
                       "\"time_stamp_format\":2,\"satellite_systems\":1,\"utc_reference\":1,"
                       "\"heating\":0,\"pps_source\":2,\"pps_width\":100}"),
            std::string::npos)
      << third;
}

TEST(Decode, LengthRuleCountsTheLineEnd) {
  // 80 characters plus CR LF is the longest sentence; 81 is one too many.
  std::string body80 = "GPXYZ," + std::string(80 - 10, 'A');
  std::string s80 = sentence(body80);
  s80.resize(s80.size() - 2);
  ASSERT_EQ(s80.size(), 80u);
  std::string s81 = sentence(body80 + "A");
  s81.resize(s81.size() - 2);
  EXPECT_EQ(decode_text(s80 + "\n" + s81 + "\r\n" + "$GPZ*\n" + "$GPZDA\n"),
            "{\"line\":1,\"direction\":\"received\",\"kind\":\"unknown\",\"kind_id\":13,\"result\":"
            "4096,\"model_type\":0,"
            "\"record\":null}\n"
            "{\"line\":2,\"direction\":\"received\",\"skipped\":\"length\"}\n"
            "{\"line\":3,\"direction\":\"received\",\"skipped\":\"length\"}\n"
            "{\"line\":4,\"direction\":\"received\",\"kind\":\"GPZDA\",\"kind_id\":0,\"result\":"
            "4098,\"model_type\":0,"
            "\"record\":null}\n");
}

TEST(Decode, ReadsATrafficLogAndSurvivesGarbage) {
  const std::string pkext = time_sentence("PKEXT", "123456.57,10,12,2026,A,12");
  const std::string log =
      " <10.12.2026-12:34:56:000> \xCD\xE0\xF7\xE0\xEB\xEE\r\n"  // an event line, no "$"
      " [10.12.2026-12:34:56:570] >>> " +
      pkext + "x[10.12.2026-12:34:57:000] >>> $PKEXS*00\r\n" + std::string("\0\x01\xFF$$$\x80", 8) +
      "\n" + std::string(100000, '$') + "\n" + std::string(100000, 'Z') + "$PKEXD,OK*06";
  const std::string out = decode_text(log);
  EXPECT_NE(out.find("{\"line\":2,\"direction\":\"received\",\"kind\":\"PKEXT\",\"kind_id\":3,"
                     "\"result\":4096,\"model_type\":0,"
                     "\"record\":{\"year\":2026,\"month\":12,\"day\":10,\"hour\":12,\"minute\":34,"
                     "\"second\":56,\"ms\":570,\"status\":\"A\"}}"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("{\"line\":3,\"direction\":\"received\",\"kind\":\"PKEXS\",\"kind_id\":8,"
                     "\"result\":4098"),
            std::string::npos);
  EXPECT_NE(out.find("{\"line\":4,\"direction\":\"received\",\"skipped\":\"length\"}"),
            std::string::npos);
  EXPECT_NE(out.find("{\"line\":5,\"direction\":\"received\",\"skipped\":\"length\"}"),
            std::string::npos);
  EXPECT_NE(out.find("{\"line\":6,\"direction\":\"received\",\"kind\":\"PKEXD\""),
            std::string::npos)
      << out;

  // The program's own request in a traffic log is named as sent, not decoded as a reply, and
  // leaves the model of the lines after it alone.
  const std::string sent = decode_text(
      " [10.12.2026-12:34:56:570] <<< $PKEXI*3B\r\n"
      " [10.12.2026-12:34:56:600] >>> $PKEXI,TK-52.A ,01,V1.23*53\r\n");
  EXPECT_NE(sent.find("{\"line\":1,\"direction\":\"sent\",\"kind\":\"PKEXI\",\"kind_id\":7,"
                      "\"record\":null}"),
            std::string::npos)
      << sent;
  EXPECT_NE(sent.find("{\"line\":2,\"direction\":\"received\",\"kind\":\"PKEXI\""),
            std::string::npos)
      << sent;
}

// Golden files: every capture decodes to the JSON kept beside it. Set TK52_UPDATE_GOLDEN=1 to
// rewrite them after a deliberate change, and review the diff.
TEST(Decode, CapturesMatchTheirGoldenFiles) {
  const std::string dir = TK52_TEST_DATA_DIR;
  for (const char* name : {"firefly-II", "haicom-305N", "hemi", "mt3339", "nmea-fuzzy-cases",
                           "sirfstarv-nmea", "st-teseo-liv3f", "tk52-session"}) {
    const std::string input = read_file(dir + "/captures/" + name + ".log");
    ASSERT_FALSE(input.empty()) << name;
    const std::string actual = decode_text(input);
    const std::string golden_path = dir + "/golden/" + name + ".jsonl";
    if (std::getenv("TK52_UPDATE_GOLDEN") != nullptr) {
      std::ofstream(golden_path, std::ios::binary) << actual;
      continue;
    }
    EXPECT_EQ(actual, read_file(golden_path)) << name;
  }
}

TEST(Decode, CapturedStandardSentencesAreAllGood) {
  // Every sentence of 8..82 characters with a correct checksum is delivered and good; the
  // overlong RTK sentences are never delivered.
  const std::string dir = TK52_TEST_DATA_DIR;
  const std::string out = decode_text(read_file(dir + "/captures/nmea-fuzzy-cases.log"));
  EXPECT_NE(out.find("\"skipped\":\"length\""), std::string::npos);
  for (const char* name : {"hemi", "mt3339", "haicom-305N", "sirfstarv-nmea"}) {
    const std::string decoded = decode_text(read_file(dir + "/captures/" + name + ".log"));
    EXPECT_EQ(decoded.find("\"result\":4098"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace tk52::cli

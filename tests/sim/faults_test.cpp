#include "faults.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/framing.h"
#include "protocol/parsers.h"
#include "protocol/sentence_kind.h"
#include "text_fields.h"
#include "time_sentences.h"

namespace tk52::sim {
namespace {

const std::string kReply = "PKEXS,A,08,1,23,5545.0012,N,03737.5000,E,156.07,M";

std::string joined(const std::vector<Piece>& pieces) {
  std::string text;
  for (const Piece& piece : pieces)
    text += piece.bytes;
  return text;
}

Faults with(std::string_view setting) {
  Faults faults;
  std::string error;
  EXPECT_TRUE(set_fault(faults, setting, error)) << setting << ": " << error;
  return faults;
}

// How the configurator's reader and dispatcher would take the text: whether a sentence of
// 8..82 characters is delivered, and the checksum and parser verdicts.
enum class Verdict { kGood, kBadChecksum, kBadField, kBadCrc, kNotDelivered };

Verdict judge(const std::string& text) {
  const std::size_t dollar = text.find('$');
  const std::size_t end = text.find("\r\n", dollar);
  if (dollar == std::string::npos || end == std::string::npos)
    return Verdict::kNotDelivered;
  const std::size_t size = end + 2 - dollar;
  if (size > 82)
    return Verdict::kNotDelivered;
  const char* s = text.data() + dollar;
  if (!verify_sentence(s, size))
    return Verdict::kBadChecksum;
  ResultCode code = result::kOk;
  if (classify_name(s + 1) == SentenceKind::kPkexs) {
    ExtraInfo info{};
    code = parse_pkexs(s, size, info);
  } else {
    TimeRecord record{};
    code = parse_pkext(s, size, record);
  }
  return code == result::kOk       ? Verdict::kGood
         : code == result::kBadCrc ? Verdict::kBadCrc
                                   : Verdict::kBadField;
}

struct ShapeCase {
  const char* fault;
  Verdict reply;
  Verdict time;
};

TEST(Faults, EachCorruptionReachesTheSentencesOfItsScope) {
  const std::string time = time_sentence_body(time_format::kTk52, 1'796'904'005'000, {});
  const ShapeCase cases[] = {
      {"noise=20", Verdict::kGood, Verdict::kGood},
      {"bad-checksum", Verdict::kBadChecksum, Verdict::kGood},
      {"bad-checksum=time", Verdict::kGood, Verdict::kBadChecksum},
      {"bad-checksum=all", Verdict::kBadChecksum, Verdict::kBadChecksum},
      {"bad-crc", Verdict::kGood, Verdict::kBadCrc},
      {"malformed", Verdict::kBadField, Verdict::kGood},
      {"malformed=all", Verdict::kBadField, Verdict::kBadField},
      {"overlong", Verdict::kNotDelivered, Verdict::kGood},
      {"overlong=time", Verdict::kGood, Verdict::kNotDelivered},
  };
  for (const ShapeCase& c : cases) {
    FaultShaper shaper(7);
    const Faults faults = with(c.fault);
    EXPECT_EQ(judge(joined(shaper.shape(faults, kReply, Origin::kReply))), c.reply) << c.fault;
    EXPECT_EQ(judge(joined(shaper.shape(faults, time, Origin::kTime))), c.time) << c.fault;
  }
}

TEST(Faults, NoiseTrailsTheSentenceAndNeverHoldsADollar) {
  FaultShaper shaper(3);
  const std::vector<Piece> pieces = shaper.shape(with("noise=200"), kReply, Origin::kReply);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_FALSE(pieces[0].noise);
  EXPECT_TRUE(pieces[1].noise);
  EXPECT_EQ(pieces[1].bytes.size(), 200u);
  EXPECT_EQ(pieces[1].bytes.find('$'), std::string::npos);
}

TEST(Faults, SplitAndDelayShiftTheReplyInTime) {
  FaultShaper shaper(1);
  Faults faults = with("split=700");
  std::string error;
  ASSERT_TRUE(set_fault(faults, "delay=250", error));
  const std::vector<Piece> pieces = shaper.shape(faults, kReply, Origin::kReply);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].offset_us, 250'000);
  EXPECT_EQ(pieces[1].offset_us, 950'000);
  EXPECT_EQ(pieces[0].bytes + pieces[1].bytes, frame(kReply));
  EXPECT_TRUE(pieces[0].label.empty());
  // Time sentences keep their second.
  EXPECT_EQ(shaper.shape(faults, "GPZDA,1", Origin::kTime).front().offset_us, 0);
}

TEST(Faults, DropLosesEveryKthReplyOnly) {
  FaultShaper shaper(1);
  const Faults faults = with("drop=3");
  std::string pattern;
  for (int i = 0; i < 6; ++i) {
    pattern += shaper.shape(faults, kReply, Origin::kReply).empty() ? 'x' : '.';
    EXPECT_FALSE(shaper.shape(faults, "GPZDA,1", Origin::kTime).empty());
  }
  EXPECT_EQ(pattern, "..x..x");
}

TEST(Faults, WhichRequestsTheClockTakes) {
  EXPECT_TRUE(takes_request({}, "PKEXC"));
  EXPECT_FALSE(takes_request(with("silent"), "PKEXI"));
  EXPECT_FALSE(takes_request(with("no-replies"), "PKEXI"));
  EXPECT_TRUE(takes_request(with("ident-only"), "PKEXI"));
  EXPECT_FALSE(takes_request(with("ident-only"), "PKEXC"));
  FaultShaper shaper(1);
  EXPECT_TRUE(shaper.shape(with("silent"), "GPZDA,1", Origin::kTime).empty());
}

TEST(Faults, ParseClearAndDescribe) {
  Faults faults;
  std::string error;
  for (const char* bad : {"bogus", "delay", "delay=x", "drop=0", "noise=201", "split=", "silent=1",
                          "bad-checksum=some", "pkexe=100"}) {
    EXPECT_FALSE(set_fault(faults, bad, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(faults, Faults{}) << "a rejected fault changes nothing";
  for (const char* good : {"silent", "pkexe", "split", "bad-checksum=all", "delay=40"}) {
    EXPECT_TRUE(set_fault(faults, good, error)) << good;
  }
  EXPECT_EQ(describe_faults(faults), "silent bad-checksum=all split=600 delay=40 pkexe=2");
  EXPECT_TRUE(clear_fault(faults, "silent", error));
  EXPECT_FALSE(faults.silent);
  EXPECT_FALSE(clear_fault(faults, "bogus", error));
  EXPECT_TRUE(clear_fault(faults, "all", error));
  EXPECT_EQ(describe_faults(faults), "none");
}

}  // namespace
}  // namespace tk52::sim

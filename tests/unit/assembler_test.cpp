#include "link/sentence_assembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/framing.h"
#include "protocol/protocol.h"
#include "recording_events.h"

namespace tk52 {
namespace {

class StepClock final : public Clock {
 public:
  CalendarTime local_now() const override {
    CalendarTime t{};
    t.milliseconds = static_cast<std::uint16_t>(ticks_);
    return t;
  }
  CalendarTime utc_now() const override { return local_now(); }
  std::uint32_t tick_ms() const override { return ticks_; }
  void advance() { ++ticks_; }

 private:
  std::uint32_t ticks_ = 0;
};

struct Delivered {
  std::string text;
  SentenceKind kind;
  std::uint16_t arrival_ms;
};

// Keeps what it is given; the checksum verdict must be verify_sentence()'s, however the sentence
// was cut out.
class Collector final : public SentenceHandler {
 public:
  void on_sentence(const char* text, std::size_t size, const CalendarTime& arrival,
                   SentenceKind kind, bool checksum_ok) override {
    EXPECT_EQ(checksum_ok, verify_sentence(text, size)) << std::string(text, size);
    sentences.push_back({std::string(text, size), kind, arrival.milliseconds});
  }
  std::vector<Delivered> sentences;
};

std::vector<Delivered> assemble(const std::string& bytes) {
  Collector collector;
  StepClock clock;
  SentenceAssembler assembler(collector, clock);
  for (char c : bytes) {
    assembler.feed(c);
    clock.advance();
  }
  return collector.sentences;
}

TEST(Assembler, Cases) {
  const std::string s80 = "$GPXYZ," + std::string(69, 'A') + "*00";  // 79 + CR LF = 81
  struct {
    const char* legend;
    std::string bytes;
    std::vector<std::string> expected;
  } cases[] = {
      {"the periodic poll", "$PKEXS*55\r\n", {"$PKEXS*55\r\n"}},
      {"bytes before the first $ are ignored", "noise\r\n$PKEXS*55\r\n", {"$PKEXS*55\r\n"}},
      {"a $ restarts the sentence", "$PKEXI,TK$PKEXS*55\r\n", {"$PKEXS*55\r\n"}},
      {"LF then CR ends a sentence too", "$PKEXS*55\n\r", {"$PKEXS*55\n\r"}},
      {"CR CR LF keeps every byte", "$PKEXS*55\r\r\n", {"$PKEXS*55\r\r\n"}},
      {"81 characters", s80 + "\r\n", {s80 + "\r\n"}},
      {"82 characters", s80 + "A\r\n", {s80 + "A\r\n"}},
      {"83 characters are never delivered", s80 + "AA\r\n$PKEXS*55\r\n", {"$PKEXS*55\r\n"}},
      {"shorter than 8 waits for more bytes", "$AB\r\nCDE", {"$AB\r\nCDE"}},
      {"an overlong run beyond the buffer",
       "$" + std::string(2000, 'X') + "\r\n$PKEXS*55\r\n",
       {"$PKEXS*55\r\n"}},
  };
  for (const auto& c : cases) {
    const std::vector<Delivered> got = assemble(c.bytes);
    ASSERT_EQ(got.size(), c.expected.size()) << c.legend;
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_EQ(got[i].text, c.expected[i]) << c.legend;
  }
}

TEST(Assembler, ClassifiesAtTheSixthByteAndStampsTheDollar) {
  const auto got = assemble("xx$PKEXS*55\r\n$GPXYZ,1*00\r\n$GPZDA,1*00\r\n");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].kind, SentenceKind::kPkexs);
  EXPECT_EQ(got[0].arrival_ms, 2);  // the clock read at the "$", the third byte
  EXPECT_EQ(got[1].kind, SentenceKind::kUnrecognised);
  EXPECT_EQ(got[2].kind, SentenceKind::kGpzda);
}

TEST(Assembler, ResetLosesTheSentenceInProgress) {
  Collector collector;
  StepClock clock;
  SentenceAssembler assembler(collector, clock);
  assembler.feed("$PKEXS*", 7);
  assembler.reset();
  assembler.feed("55\r\n$PKEXD*42\r\n", 15);
  ASSERT_EQ(collector.sentences.size(), 1u);
  EXPECT_EQ(collector.sentences[0].text, "$PKEXD*42\r\n");
}

// Counts its readings, so that an arrival names which "$" it was, however the bytes came.
class CountingClock final : public Clock {
 public:
  CalendarTime local_now() const override {
    CalendarTime t{};
    t.milliseconds = static_cast<std::uint16_t>(++readings_);
    return t;
  }
  CalendarTime utc_now() const override { return local_now(); }
  std::uint32_t tick_ms() const override { return readings_; }

 private:
  mutable std::uint32_t readings_ = 0;
};

// Whole buffers of any size assemble exactly as the same bytes fed one by one: random streams of
// the characters that matter (line ends in either order or alone, "$" anywhere, names, "*" and
// checksums good and bad, short and overlong sentences, runs past the buffer) cut into random
// pieces. The collector checks every checksum verdict.
TEST(Assembler, BuffersAssembleAsTheirBytesOneByOne) {
  std::mt19937 random(52);
  const std::vector<std::string> pieces = {"$",
                                           "\r",
                                           "\n",
                                           "\r\n",
                                           "\n\r",
                                           "GPZDA",
                                           "PKEXT",
                                           "PKEXJ",
                                           "GP",
                                           ",12",
                                           "*4F",
                                           "A",
                                           "$PKEXD,E3*18\r\n",
                                           "$GPZDA,120006.00,10,12,2026,00,00*67\r\n",
                                           "$PKEXS*55\r\n",
                                           "$PKEXS*54\r\n",
                                           "*",
                                           "5",
                                           std::string(90, 'B'),
                                           std::string(600, 'C')};
  for (int round = 0; round < 3000; ++round) {
    std::string stream;
    const int count = static_cast<int>(random() % 40);
    for (int k = 0; k < count; ++k)
      stream += pieces[random() % (k % 7 == 6 ? pieces.size() : pieces.size() - 2)];

    Collector one_by_one, whole;
    CountingClock clock_one, clock_whole;
    SentenceAssembler bytes(one_by_one, clock_one), buffers(whole, clock_whole);
    for (const char c : stream)
      bytes.feed(c);
    for (std::size_t at = 0; at < stream.size();) {
      const std::size_t size = std::min<std::size_t>(1 + random() % 100, stream.size() - at);
      buffers.feed(stream.data() + at, size);
      at += size;
    }
    ASSERT_EQ(whole.sentences.size(), one_by_one.sentences.size()) << stream;
    for (std::size_t i = 0; i < whole.sentences.size(); ++i) {
      EXPECT_EQ(whole.sentences[i].text, one_by_one.sentences[i].text) << stream;
      EXPECT_EQ(whole.sentences[i].kind, one_by_one.sentences[i].kind) << stream;
      EXPECT_EQ(whole.sentences[i].arrival_ms, one_by_one.sentences[i].arrival_ms) << stream;
    }
    EXPECT_EQ(buffers.last_dollar_tick(), bytes.last_dollar_tick()) << stream;
  }
}

// Real receivers' streams through the assembler and the dispatcher: every sentence of 8..82
// characters with a correct checksum is delivered and counted good; overlong ones never are.
TEST(Assembler, RealCapturesThroughTheDispatcher) {
  for (const char* name : {"haicom-305N", "sirfstarv-nmea", "st-teseo-liv3f", "hemi", "mt3339",
                           "firefly-II", "nmea-fuzzy-cases"}) {
    std::ifstream file(std::string(TK52_TEST_DATA_DIR) + "/captures/" + name + ".log",
                       std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    ASSERT_FALSE(text.str().empty()) << name;

    // Some captures lost their CRs on the way into the file; the receiver sent CR LF.
    // What should arrive: each line's text from its "$", if 8..82 long with its CR LF.
    std::string stream;
    std::uint32_t expected_good = 0, expected_bad = 0;
    std::istringstream lines(text.str());
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      stream += line + "\r\n";
      const auto dollar = line.rfind('$');
      if (dollar == std::string::npos)
        continue;
      const std::string sentence = line.substr(dollar) + "\r\n";
      if (sentence.size() < 8 || sentence.size() > 82)
        continue;
      ++(verify_sentence(sentence.data(), sentence.size()) ? expected_good : expected_bad);
    }

    test::RecordingEvents events;
    Protocol protocol(events);
    ProtocolSentenceHandler handler(protocol);
    StepClock clock;
    SentenceAssembler assembler(handler, clock);
    assembler.feed(stream.data(), stream.size());
    EXPECT_EQ(protocol.counters().good, expected_good) << name;
    EXPECT_EQ(protocol.counters().bad, expected_bad) << name;
    for (const auto& logged : events.logged)
      EXPECT_LE(logged.text.size(), 82u) << name;
  }
}

}  // namespace
}  // namespace tk52

#include "engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/requests.h"

namespace tk52::sim {
namespace {

constexpr int kBaud = 115200;
constexpr std::int64_t kSecond = 1'796'904'005;  // 2026-12-10 12:00:05 UTC

// Everything the engine lets go by `now`, written as fast as the line takes it.
std::string drain(Engine& engine, Micros now, int peer_baud = kBaud) {
  std::string sent;
  for (;;) {
    const std::string bytes = engine.ready(now, peer_baud);
    if (bytes.empty())
      return sent;
    sent += bytes;
    engine.consume(bytes.size(), now);
  }
}

struct Recorder final : TrafficObserver {
  void traffic(Direction direction, std::string_view text) override {
    lines.push_back((direction == Direction::kSent ? "> " : "< ") + std::string(text));
  }
  std::vector<std::string> lines;
};

Engine make_engine(const char* model = "TK-52.00") {
  return Engine(Device(default_identity(model)), kBaud, 1);
}

TEST(Engine, AnswersRequestsAndEmitsTheTimeAtTheBoundary) {
  Engine engine = make_engine();
  Recorder recorder;
  engine.set_observer(&recorder);
  engine.receive("$PKEXI*4F\r\n", 1000, kBaud);
  EXPECT_EQ(drain(engine, 1000), "$PKEXI,TK-52.00,01,V1.23*31\r\n");
  engine.second_boundary(kSecond, 2000);
  EXPECT_TRUE(drain(engine, 2000).starts_with("$PKEXT,120005.00,10,12,2026,A,08,"));
  ASSERT_EQ(recorder.lines.size(), 3u);
  EXPECT_EQ(recorder.lines[0], "< $PKEXI*4F");
  EXPECT_EQ(recorder.lines[1], "> $PKEXI,TK-52.00,01,V1.23*31");
}

TEST(Engine, AConfigurationWriteChangesTheTimeSentence) {
  Engine engine = make_engine();
  engine.receive(frame_request("PKEXC,4,1,2,0").view(), 0, kBaud);
  EXPECT_TRUE(drain(engine, 0).starts_with("$PKEXC,OK*"));
  engine.second_boundary(kSecond, 10);
  EXPECT_TRUE(drain(engine, 10).starts_with("$GPZDA,120005.00,"));
  engine.receive(frame_request("PKEXC,0,1,2,0").view(), 20, kBaud);
  drain(engine, 20);
  engine.second_boundary(kSecond + 1, 30);
  EXPECT_EQ(drain(engine, 30), "");
}

TEST(Engine, SwitchesSpeedOnlyAfterTheReplyHasLeft) {
  Engine engine = make_engine();
  engine.set_paced(true);
  engine.receive(frame_request("PKEXR,3").view(), 0, kBaud);
  const std::string reply = "$PKEXR,3,A*26\r\n";
  // At 115200 bit/s a byte takes 87 us on the line.
  std::string sent;
  Micros now = 0;
  while (sent.size() < reply.size()) {
    EXPECT_EQ(engine.baud(), kBaud) << "switched after " << sent.size() << " bytes";
    const std::string bytes = engine.ready(now, kBaud);
    sent += bytes;
    engine.consume(bytes.size(), now);
    now += 87;
  }
  EXPECT_EQ(sent, reply);
  EXPECT_GE(now, 87 * static_cast<Micros>(reply.size() - 1));
  EXPECT_EQ(engine.baud(), 9600);
  // At the old speed the PC now reads garbage; at the new one the clock answers again.
  engine.receive("$PKEXI*4F\r\n", now, kBaud);
  EXPECT_EQ(drain(engine, now + 1'000'000, kBaud), "");
  engine.receive("$PKEXI*4F\r\n", now, 9600);
  EXPECT_TRUE(drain(engine, now + 1'000'000, 9600).starts_with("$PKEXI,"));
}

TEST(Engine, ADroppedSpeedReplyStillSwitches) {
  Engine engine = make_engine();
  std::string error;
  ASSERT_TRUE(set_fault(engine.faults(), "drop=1", error));
  engine.receive(frame_request("PKEXR,1").view(), 0, kBaud);
  EXPECT_EQ(drain(engine, 0), "");
  EXPECT_EQ(engine.baud(), 2400);
}

TEST(Engine, AtAnotherSpeedBothDirectionsCarryGarbage) {
  Engine engine = make_engine();
  for (int peer : {2400, 9600, 57600}) {
    engine.receive("$PKEXI*4F\r\n", 0, peer);
    EXPECT_EQ(drain(engine, 0, peer), "") << peer;
  }
  engine.receive("$PKEXI*4F\r\n", 0, kBaud);
  const std::string garbled = drain(engine, 0, 9600);
  EXPECT_EQ(garbled.size(), 29u);
  EXPECT_EQ(garbled.find('$'), std::string::npos);
  EXPECT_NE(garbled.find_first_not_of("\r\n"), std::string::npos);
}

TEST(Engine, DelayedRepliesLetTimeSentencesPass) {
  Engine engine = make_engine();
  std::string error;
  ASSERT_TRUE(set_fault(engine.faults(), "delay=400", error));
  engine.receive("$PKEXI*4F\r\n", 0, kBaud);
  engine.second_boundary(kSecond, 100'000);
  EXPECT_EQ(drain(engine, 100'000).substr(0, 6), "$PKEXT");
  EXPECT_EQ(engine.wake_time(), Micros{400'000});
  EXPECT_EQ(drain(engine, 399'999), "");
  EXPECT_TRUE(drain(engine, 400'000).starts_with("$PKEXI,"));
}

TEST(Engine, ABacklogComesOutAheadOfTheFirstReplyAfterEachOpening) {
  Engine engine = make_engine();
  std::string error;
  ASSERT_TRUE(set_fault(engine.faults(), "backlog=3", error));
  engine.second_boundary(kSecond, 0);
  drain(engine, 0);
  engine.line_opened();
  engine.receive("$PKEXI*4F\r\n", 1000, kBaud);
  const std::string sent = drain(engine, 1000);
  // The three seconds up to the last one, then the reply.
  const std::size_t first = sent.find("$PKEXT,120003.00,");
  const std::size_t second = sent.find("$PKEXT,120004.00,");
  const std::size_t third = sent.find("$PKEXT,120005.00,");
  const std::size_t reply = sent.find("$PKEXI,TK-52.00,01,V1.23*31\r\n");
  EXPECT_EQ(first, 0u) << sent;
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_LT(third, reply);
  EXPECT_NE(reply, std::string::npos);
  // Only the first reply after an opening has it ahead of itself.
  engine.receive("$PKEXI*4F\r\n", 2000, kBaud);
  EXPECT_EQ(drain(engine, 2000), "$PKEXI,TK-52.00,01,V1.23*31\r\n");
}

TEST(Engine, UnsolicitedReportsFollowTheTimeByHalfASecond) {
  Engine engine = make_engine();
  std::string error;
  ASSERT_TRUE(set_fault(engine.faults(), "pkexe=7", error));
  engine.second_boundary(kSecond, 0);
  EXPECT_TRUE(drain(engine, 0).starts_with("$PKEXT"));
  EXPECT_EQ(drain(engine, 499'999), "");
  EXPECT_EQ(drain(engine, 500'000), "$PKEXE,07*68\r\n");
  engine.send_error_report(1, 600'000);
  EXPECT_EQ(drain(engine, 600'000), "$PKEXE,01*6E\r\n");
}

TEST(Engine, PacingSendsTenBitsPerByte) {
  Engine engine = make_engine();
  ASSERT_TRUE(engine.device().configuration().time_format == 2);
  engine.set_baud(2400);  // 240 bytes a second: 4167 us a byte
  engine.set_paced(true);
  engine.second_boundary(kSecond, 0);
  EXPECT_EQ(engine.ready(0, 2400), "$");
  engine.consume(1, 0);
  EXPECT_EQ(engine.ready(4166, 2400), "");
  EXPECT_EQ(engine.ready(4167, 2400), "P");
  EXPECT_EQ(engine.ready(5 * 4167, 2400), "PKEXT");
}

}  // namespace
}  // namespace tk52::sim

#include "protocol/protocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "recording_events.h"
#include "sentences.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using test::sentence;
using test::time_sentence;

class DispatchTest : public ::testing::Test {
 protected:
  DispatchTest() { events.protocol = &protocol; }

  ResultCode feed(const std::string& text) {
    const SentenceKind kind = classify_name(text.data() + 1);
    return protocol.dispatch(text.data(), text.size(), arrival, kind);
  }

  ResultCode take(SentenceKind kind, ReplyPayload* payload = nullptr) {
    return protocol.slots().take(kind, payload, 0ms);
  }

  test::RecordingEvents events;
  Protocol protocol{events};
  CalendarTime arrival{2026, 12, 4, 10, 12, 34, 56, 789};
};

TEST(Classify, Names) {
  struct {
    const char* name;
    SentenceKind kind;
  } cases[] = {
      {"GPZDA", SentenceKind::kGpzda},        {"GPRMC", SentenceKind::kGprmc},
      {"GPGGA", SentenceKind::kGpgga},        {"PKEXT", SentenceKind::kPkext},
      {"PKEXU", SentenceKind::kPkexu},        {"PKEXC", SentenceKind::kPkexc},
      {"PKEXR", SentenceKind::kPkexr},        {"PKEXI", SentenceKind::kPkexi},
      {"PKEXS", SentenceKind::kPkexs},        {"PKEXD", SentenceKind::kPkexd},
      {"PKEXE", SentenceKind::kPkexe},        {"PKEXJ", SentenceKind::kPkexj},
      {"GPXYZ", SentenceKind::kUnrecognised}, {"GNZDA", SentenceKind::kUnrecognised},
      {"PKEXZ", SentenceKind::kUnrecognised}, {"PKEYT", SentenceKind::kUnrecognised},
      {"XKEXT", SentenceKind::kUnrecognised}, {"pkext", SentenceKind::kUnrecognised},
  };
  for (const auto& c : cases)
    EXPECT_EQ(classify_name(c.name), c.kind) << c.name;
  EXPECT_EQ(kind_name(SentenceKind::kPkexj), "PKEXJ");
  EXPECT_EQ(kind_name(SentenceKind::kUnrecognised), "unknown");
}

TEST_F(DispatchTest, UnrecognisedSentenceIsGoodLoggedAndTouchesNoSlot) {
  EXPECT_EQ(feed(sentence("GPXYZ,1,2")), result::kOk);
  EXPECT_EQ(protocol.counters().good, 1u);
  ASSERT_EQ(events.logged.size(), 1u);
  EXPECT_TRUE(events.logged[0].good);
  for (int k = 0; k < kCatalogueSize; ++k) {
    EXPECT_EQ(take(static_cast<SentenceKind>(k)), result::kNotProcessed) << k;
  }
  EXPECT_EQ(events.redraws, 1);
}

TEST_F(DispatchTest, StandardSentenceFillsTheSharedTimeSlot) {
  protocol.slots().reset(SentenceKind::kPkext);
  EXPECT_EQ(feed("$GPRMC,202640.000,A,4404.1306,N,12118.8515,W,0.03,225.97,130415,,,D*73\r\n"),
            result::kOk);
  // Whoever waits for a PKEXT sees the GPRMC: the five time kinds share one slot.
  EXPECT_EQ(take(SentenceKind::kPkext), result::kOk);
  EXPECT_TRUE(events.notifications.empty());
}

TEST_F(DispatchTest, BadChecksumReachesTheSlotCountsAndLogsAsBad) {
  EXPECT_EQ(feed("$PKEXS*56\r\n"), result::kBadChecksum);
  EXPECT_EQ(take(SentenceKind::kPkexs), result::kBadChecksum);
  EXPECT_EQ(protocol.counters().bad, 1u);
  EXPECT_EQ(protocol.counters().good, 0u);
  ASSERT_EQ(events.logged.size(), 1u);
  EXPECT_FALSE(events.logged[0].good);
  EXPECT_TRUE(events.notifications.empty());
}

TEST_F(DispatchTest, ConfigurationRepliesNotifyWithTheirForm) {
  protocol.set_model_type(DeviceModelType::kTk52A);
  EXPECT_EQ(feed(sentence("PKEXC,OK")), result::kOk);
  EXPECT_EQ(feed(sentence("PKEXC,3,0,1,1,1,250")), result::kOk);
  EXPECT_EQ(feed(sentence("PKEXC,3,0,1,1")), result::kBadField);  // short layout on type 3
  ASSERT_EQ(events.notifications.size(), 2u);
  EXPECT_EQ(events.notifications[0].notification,
            ReplyNotification::configuration(ConfigurationForm::kResultCode));
  EXPECT_EQ(events.notifications[1].notification,
            ReplyNotification::configuration(ConfigurationForm::kConfiguration));
  EXPECT_EQ(take(SentenceKind::kPkexc), result::kBadField);
  EXPECT_EQ(protocol.counters().good, 2u);
  EXPECT_EQ(protocol.counters().bad, 1u);
}

TEST_F(DispatchTest, IdentificationSetsTheModelBeforeNotifying) {
  struct {
    const char* body;
    DeviceModelType model;
  } cases[] = {
      {"PKEXI,TK-52.00,01,V1.23", DeviceModelType::kTk5200},
      {"PKEXI,TK-52.01,01,V1.23", DeviceModelType::kTk5201},
      {"PKEXI,TK-52.A,01,V1.234", DeviceModelType::kTk52A},
      {"PKEXI,TK-53,01,V1.234", DeviceModelType::kTk53},
      {"PKEXI,TK-52.02,01,V1.23", DeviceModelType::kUnknown},
      {"PKEXI,TK-63,01,V1.23", DeviceModelType::kUnknown},
  };
  for (const auto& c : cases) {
    events.notifications.clear();
    ASSERT_EQ(feed(sentence(c.body)), result::kOk) << c.body;
    EXPECT_EQ(protocol.model_type(), c.model) << c.body;
    ASSERT_EQ(events.notifications.size(), 1u) << c.body;
    EXPECT_EQ(events.notifications[0].notification,
              ReplyNotification::of(ReplyKind::kIdentification));
    EXPECT_EQ(events.notifications[0].model_at_post, c.model) << c.body;
  }
  // A broken identification leaves the model as it was.
  EXPECT_EQ(feed(sentence("PKEXI,TK-52.00,01,V1.2")), result::kBadField);
  EXPECT_EQ(protocol.model_type(), DeviceModelType::kUnknown);
}

TEST_F(DispatchTest, RepliesNotifyOnlyOnSuccess) {
  struct {
    std::string text;
    ResultCode result;
    std::optional<ReplyKind> notified;
  } cases[] = {
      {sentence("PKEXS,A,08,1,20,5545.1,N,03737.1,E,145.0,M"), result::kOk, ReplyKind::kExtraInfo},
      {sentence("PKEXS,A,08"), result::kBadField, std::nullopt},
      {sentence("PKEXD,OK"), result::kOk, ReplyKind::kSelfDiagnostic},
      {sentence("PKEXD,E4"), result::kOk, ReplyKind::kSelfDiagnostic},
      {sentence("PKEXD,X"), result::kBadField, std::nullopt},
      {sentence("PKEXE,02"), result::kOk, ReplyKind::kDeviceError},
      {sentence("PKEXR,7,A"), result::kOk, std::nullopt},
      {time_sentence("PKEXT", "120000.00,10,12,2026,A,"), result::kOk, std::nullopt},
  };
  for (const auto& c : cases) {
    events.notifications.clear();
    EXPECT_EQ(feed(c.text), c.result) << c.text;
    if (!c.notified) {
      EXPECT_TRUE(events.notifications.empty()) << c.text;
    } else {
      ASSERT_EQ(events.notifications.size(), 1u) << c.text;
      EXPECT_EQ(events.notifications[0].notification, ReplyNotification::of(*c.notified)) << c.text;
    }
  }
}

TEST_F(DispatchTest, FailedPostTurnsIntoResourceError) {
  events.post_succeeds = false;
  EXPECT_EQ(feed(sentence("PKEXD,OK")), result::kPostFailed);
  EXPECT_EQ(take(SentenceKind::kPkexd), result::kPostFailed);
  EXPECT_EQ(protocol.counters().bad, 1u);
}

TEST_F(DispatchTest, JournalRepliesNotifyAndStayOutOfTheLog) {
  EXPECT_EQ(feed(sentence("PKEXJ,02,0120")), result::kOk);
  EXPECT_EQ(feed(sentence("PKEXJ,02,0007,5043219987654321")), result::kOk);
  EXPECT_EQ(feed("$PKEXJ,02,0008*00\r\n"), result::kBadChecksum);
  EXPECT_TRUE(events.logged.empty());
  EXPECT_EQ(protocol.counters().good, 2u);
  EXPECT_EQ(protocol.counters().bad, 1u);
  ASSERT_EQ(events.notifications.size(), 3u);
  EXPECT_EQ(events.notifications[0].notification,
            ReplyNotification::journal(JournalForm::kHeader, 120));
  EXPECT_EQ(events.notifications[1].notification,
            ReplyNotification::journal(JournalForm::kRecordStored, 7));
  EXPECT_EQ(events.notifications[2].notification,
            ReplyNotification::journal(JournalForm::kRecordAdvance, 7));

  const JournalRecord row = protocol.journal_table().row(7);
  EXPECT_EQ(row.type, 1);
  EXPECT_EQ(row.number, 7);
  EXPECT_EQ(row.code, 5);
  EXPECT_EQ(row.parameter, 0x1234);
  EXPECT_EQ(row.time, 0x12345678u);
}

TEST_F(DispatchTest, JournalRecordBeyondTheTableIsDecodedButNotStored) {
  JournalRecordTable& table = protocol.journal_table();
  table.mark_shown(1999);
  EXPECT_EQ(feed(sentence("PKEXJ,01,1999,10")), result::kOk);
  EXPECT_EQ(table.row(1999).shown, 1);  // a refill keeps the shown flag
  EXPECT_EQ(table.row(1999).code, 1);
  for (const char* body : {"PKEXJ,01,2000,20", "PKEXJ,01,9999,30"}) {
    events.notifications.clear();
    EXPECT_EQ(feed(sentence(body)), result::kOk) << body;
    EXPECT_EQ(events.notifications.size(), 2u) << body;
    ReplyPayload payload{};
    ASSERT_EQ(take(SentenceKind::kPkexj, &payload), result::kOk);
    const auto entry = load_record<JournalRecordEntry>(payload);
    EXPECT_GE(entry.number, 2000) << body;
  }
  EXPECT_EQ(table.row(2000).type, -1);
  EXPECT_EQ(table.row(-1).type, -1);
}

TEST_F(DispatchTest, ValidTimeSentenceIsHandedOverAndReleasesTheSemaphore) {
  EXPECT_EQ(feed(time_sentence("PKEXT", "120000.50,10,12,2026,V,")), result::kOk);
  EXPECT_FALSE(protocol.time_valid().try_acquire());
  EXPECT_TRUE(events.times.empty());

  EXPECT_EQ(feed(time_sentence("PKEXU", "120001.50,10,12,2026,A,,0A")), result::kOk);
  EXPECT_EQ(feed(time_sentence("PKEXT", "120002.50,10,12,2026,A,")), result::kOk);
  ASSERT_EQ(events.times.size(), 2u);
  EXPECT_EQ(events.times[1].second, 2);
  EXPECT_EQ(events.times[1].milliseconds, 500);
  EXPECT_EQ(events.arrivals[1], arrival);
  // Two releases of a semaphore whose maximum is 1 leave one count.
  EXPECT_TRUE(protocol.time_valid().try_acquire());
  EXPECT_FALSE(protocol.time_valid().try_acquire());

  // A CRC error is not handed over.
  EXPECT_EQ(feed(sentence("PKEXT,120003.50,10,12,2026,A,,0000")), result::kBadCrc);
  EXPECT_EQ(events.times.size(), 2u);
}

TEST_F(DispatchTest, SlotsKeepTheirReplyUntilReset) {
  ASSERT_EQ(feed(sentence("PKEXE,42")), result::kOk);
  for (int i = 0; i < 2; ++i) {
    ReplyPayload payload{};
    EXPECT_EQ(take(SentenceKind::kPkexe, &payload), result::kOk);
    EXPECT_EQ(load_record<DeviceErrorRecord>(payload).code, 42);
  }
  protocol.slots().reset(SentenceKind::kPkexe);
  EXPECT_EQ(take(SentenceKind::kPkexe), result::kNotProcessed);
  // A newer reply replaces a full slot's.
  feed(sentence("PKEXE,01"));
  feed(sentence("PKEXE,02"));
  ReplyPayload payload{};
  EXPECT_EQ(take(SentenceKind::kPkexe, &payload), result::kOk);
  EXPECT_EQ(load_record<DeviceErrorRecord>(payload).code, 2);
}

TEST_F(DispatchTest, NoTextIsNotCounted) {
  EXPECT_EQ(protocol.dispatch(nullptr, 10, arrival, SentenceKind::kPkexs), result::kNotPerformed);
  EXPECT_EQ(protocol.dispatch("$", 0, arrival, SentenceKind::kPkexs), result::kNotPerformed);
  EXPECT_EQ(protocol.counters().good + protocol.counters().bad, 0u);
  EXPECT_EQ(events.redraws, 0);
}

TEST_F(DispatchTest, ExchangeWakesOnArrivalAndTakesTheReplyPostedAfterIt) {
  // The reader signals arrival before it dispatches; the waiting side's take covers the gap.
  protocol.slots().reset(SentenceKind::kPkexd);
  std::thread reader([this] {
    protocol.signal_arrival(SentenceKind::kPkexd);
    std::this_thread::sleep_for(20ms);
    feed(sentence("PKEXD,E3"));
  });
  ASSERT_TRUE(protocol.wait_arrival(SentenceKind::kPkexd, 5000ms));
  ReplyPayload payload{};
  EXPECT_EQ(protocol.slots().take(SentenceKind::kPkexd, &payload), result::kOk);
  EXPECT_EQ(load_record<ResultCodeRecord>(payload).code, 3);
  reader.join();
  EXPECT_FALSE(protocol.wait_arrival(SentenceKind::kPkexd, 0ms));  // auto-reset
  EXPECT_FALSE(protocol.wait_arrival(SentenceKind::kUnrecognised, 0ms));
}

}  // namespace
}  // namespace tk52

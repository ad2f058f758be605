#include "journals.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "device.h"
#include "protocol/parsers.h"
#include "protocol/requests.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

std::string ask(Device& device, int journal, JournalCommand command, int number = 0) {
  const Answer answer = device.on_sentence(build_journal_request(journal, command, number).view());
  return answer.bodies.size() == 1 ? frame(answer.bodies.front()) : std::string();
}

TEST(Journals, SeedsCoverEveryEventAndTheEdgesOfEachParameterList) {
  const Journals journals;
  std::set<std::pair<int, int>> seen;  // (event, parameter)
  std::set<std::uint32_t> times;
  for (int j = 1; j <= kJournalCount; ++j) {
    for (const JournalRecord& record : journals.records(j)) {
      seen.insert({record.event, record.parameter});
      times.insert(record.time);
    }
  }
  for (int event = 0; event <= 20; ++event) {
    EXPECT_TRUE(seen.lower_bound({event, 0}) != seen.end() &&
                seen.lower_bound({event, 0})->first == event)
        << "event " << event;
  }
  // Every listed value and the first one past each list.
  for (int cause = 0; cause <= 6; ++cause)
    EXPECT_TRUE(seen.count({5, cause})) << cause;
  for (int systems = 0; systems <= 4; ++systems)
    EXPECT_TRUE(seen.count({14, systems}));
  for (int source = 0; source <= 3; ++source)
    EXPECT_TRUE(seen.count({15, source}));
  for (int format = 0; format <= 9; ++format)
    EXPECT_TRUE(seen.count({19, format}));
  EXPECT_TRUE(seen.count({18, 5}));
  EXPECT_TRUE(seen.count({16, 65535}));
  EXPECT_TRUE(seen.count({21, 7}));  // codes without a text
  EXPECT_TRUE(seen.count({255, 255}));
  for (std::uint32_t edge : {0u, 86399u, 0xFFFFFFFFu})
    EXPECT_TRUE(times.count(edge)) << edge;
}

TEST(Journals, RecordRepliesDecodeToTheStoredRecords) {
  Device device(default_identity("TK-52.A"));
  for (int j = 1; j <= kJournalCount; ++j) {
    const std::vector<JournalRecord>& records = device.journals().records(j);
    const std::string header = ask(device, j, JournalCommand::kCount);
    JournalHeader head{};
    ASSERT_EQ(parse_pkexj_header(header.data(), header.size(), head), result::kOk) << header;
    EXPECT_EQ(head.journal, j - 1);
    ASSERT_EQ(head.count, static_cast<int>(records.size()));
    for (int n = 0; n < head.count; ++n) {
      const std::string text = ask(device, j, JournalCommand::kRecord, n);
      JournalRecordEntry entry{};
      ASSERT_EQ(parse_pkexj_record(text.data(), text.size(), entry), result::kOk) << text;
      const JournalRecord& record = records[static_cast<std::size_t>(n)];
      EXPECT_EQ(entry.journal, j - 1);
      EXPECT_EQ(entry.number, n);
      EXPECT_EQ(entry.event(), record.event);
      EXPECT_EQ(entry.value16(), record.parameter);
      EXPECT_EQ(entry.value32, record.time);
    }
  }
}

TEST(Journals, ClearEmptiesOnlyTheNamedJournal) {
  Device device(default_identity("TK-53"));
  EXPECT_TRUE(ask(device, 2, JournalCommand::kClear).starts_with("$PKEXJ,02,0000*"));
  EXPECT_TRUE(ask(device, 2, JournalCommand::kCount).starts_with("$PKEXJ,02,0000*"));
  EXPECT_TRUE(ask(device, 2, JournalCommand::kRecord, 0).starts_with("$PKEXE,02*"));
  EXPECT_FALSE(device.journals().records(1).empty());
}

TEST(Journals, ResizeRepeatsTheSeedWithRisingTimes) {
  for (int count : {0, 120, 2100}) {
    Journals journals;
    journals.resize(1, count);
    const std::vector<JournalRecord>& records = journals.records(1);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(count));
    for (std::size_t i = 49; i < records.size(); ++i) {
      EXPECT_GT(records[i].time, records[i - 1].time) << i;
    }
  }
  Device device(default_identity("TK-52.A"));
  device.journals().resize(3, 2100);
  EXPECT_TRUE(ask(device, 3, JournalCommand::kCount).starts_with("$PKEXJ,03,2100*"));
  EXPECT_TRUE(ask(device, 3, JournalCommand::kRecord, 2099).starts_with("$PKEXJ,03,2099,"));
}

TEST(Journals, EncodesEachValueLittleNibbleFirst) {
  EXPECT_EQ(encode_record({0x15, 0x1234, 0x12345678}), "5143210087654321");
  EXPECT_EQ(encode_record({0, 0, 0}), "0000000000000000");
}

}  // namespace
}  // namespace tk52::sim

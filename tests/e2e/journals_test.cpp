// Reading the event journals against tk52sim, through the headless front end: the count, the
// paced record requests, the lines of "event_journal.txt" and the watchdog that ends a pass.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "headless.h"
#include "pages/journals/journal_export.h"
#include "pages/journals/journal_texts.h"
#include "platform/text_1251.h"
#include "simulator.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using cli::HeadlessConfigurator;

class JournalsTest : public ::testing::Test {
 protected:
  void start(const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"--model", "TK-52.A", "--time-format", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim_ = test::Simulator::start(args);
    ASSERT_NE(sim_, nullptr);
    front_.configurator->select_port({.name = sim_->port()});
    front_.configuration.speed = 6;
    front_.configurator->dispatch(OperationCode::kConnect);
    front_.pump();
    ASSERT_TRUE(front_.configurator->connected());
  }

  // Runs a pass to its end (the watchdog ends it a second after the last record).
  void finish_pass() {
    ASSERT_TRUE(front_.pump_until([&] { return !reader().reading(); }, 120s));
  }

  JournalReader& reader() { return *front_.journal_reader; }
  std::vector<std::string>& lines() { return front_.journals.lines; }

  HeadlessConfigurator front_{[](const std::string&) {}};
  std::unique_ptr<test::Simulator> sim_;
};

TEST(JournalTexts, LineFormatAndTimes) {
  struct {
    int number;
    std::uint32_t time;
    int code;
    std::uint32_t parameter;
    const char* expected;  // UTF-8
  } cases[] = {
      {0, 0, 0, 12,
       " 0000 | UTC 00:00:00 01.01.2011 | Связь со спутниками установлена          | 12       "
       "                      "},
      {7, 86399, 5, 3,
       " 0007 | UTC 23:59:59 01.01.2011 | Выключение устройства                    |          "
       "                      "},
      {12, 36633600, 5, 6,
       " 0012 | UTC 00:00:00 29.02.2012 | Выключение устройства                    | Неверное з"
       "начение!, 6          "},
      {32, 162864000, 18, 5,
       " 0032 | UTC 00:00:00 29.02.2016 | Коррекция времени                        | 5,  сек.  "
       "                     "},
      {2500, 0, 25, 7,
       " 2500 | UTC 00:00:00 01.01.2011 | 25                                       | 7         "
       "                     "},
  };
  for (const auto& c : cases) {
    const std::string line = journal_line(
        {.number = c.number, .time = c.time, .code = c.code, .parameter = c.parameter});
    EXPECT_EQ(cp1251_to_utf8(line), c.expected) << c.number;
    // The columns are counted in the file's bytes.
    EXPECT_EQ(line.size(), 1 + 4 + 7 + 19 + 3 + 40 + 3 + 30 + 1u) << c.number;
  }
  EXPECT_EQ(journal_time_text(0xFFFFFFFF), "06:28:15 07.02.2147");
}

// The CSV a spreadsheet opens: a header, fields with commas or quotes quoted, CR LF, the UTF-8
// byte order mark only when asked for.
TEST(JournalExport, CsvRowsAndTimes) {
  const std::vector<JournalEntry> records = {
      {0, 0, 0, 12}, {12, 36633600, 5, 6}, {32, 162864000, 18, 5}, {2500, 0xFFFFFFFF, 25, 7}};
  const std::string csv = journal_csv(records, true);
  EXPECT_EQ(csv,
            "\xEF\xBB\xBFnumber,utc_time,event_code,event_text,parameter,parameter_text\r\n"
            "0,2011-01-01T00:00:00Z,0,Связь со спутниками установлена,12,12\r\n"
            "12,2012-02-29T00:00:00Z,5,Выключение устройства,6,\"Неверное значение!, 6\"\r\n"
            "32,2016-02-29T00:00:00Z,18,Коррекция времени,5,\"5,  сек.\"\r\n"
            "2500,2147-02-07T06:28:15Z,25,25,7,7\r\n");
  EXPECT_EQ(journal_csv({}, false),
            "number,utc_time,event_code,event_text,parameter,parameter_text\r\n");
}

TEST_F(JournalsTest, ReadsAWholeJournal) {
  start({"--journal-size", "2=13"});
  front_.journals.type = 1;
  reader().read_whole_journal();
  EXPECT_FALSE(front_.journals.controls_enabled);
  finish_pass();
  EXPECT_TRUE(front_.journals.controls_enabled);
  EXPECT_EQ(front_.journals.total, "13");
  ASSERT_EQ(lines().size(), 14u);  // 13 records and the empty line that ends the pass
  for (int n = 0; n < 13; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, " %04d ", n);
    EXPECT_EQ(lines()[static_cast<std::size_t>(n)].substr(0, 6), number);
  }
  EXPECT_EQ(lines().back(), "");
  EXPECT_EQ(reader().displayed(), 13);
  EXPECT_TRUE(front_.shell.messages.empty());
}

TEST_F(JournalsTest, ReadsTheFirstFiftyOfAHundredAndTwenty) {
  start({"--journal-size", "1=120"});
  front_.journals.wanted = "50";
  reader().read_records();
  finish_pass();
  ASSERT_EQ(lines().size(), 51u);
  EXPECT_EQ(lines()[49].substr(0, 6), " 0049 ");
  EXPECT_EQ(front_.journals.total, "120");
  EXPECT_EQ(front_.journals.wanted, "50");
  EXPECT_TRUE(front_.shell.messages.empty());
}

TEST_F(JournalsTest, AskingForMoreThanThereAreReadsThemAll) {
  start({"--journal-size", "3=10"});
  front_.journals.type = 2;
  front_.journals.wanted = "999";
  reader().read_records();
  finish_pass();
  EXPECT_EQ(front_.journals.wanted, "10");
  EXPECT_EQ(lines().size(), 11u);
}

TEST_F(JournalsTest, AnEmptyJournalEndsWithoutAWarning) {
  start({"--journal-size", "1=0"});
  front_.journals.wanted = "5";
  reader().read_records();
  finish_pass();
  EXPECT_EQ(front_.journals.wanted, "0");
  EXPECT_EQ(lines(), std::vector<std::string>{""});
  // "evt,0000" still goes out, once, and the clock refuses it; but the pass has read all of
  // nothing: neither the refusal nor an incomplete-read warning is news.
  for (const auto& m : front_.shell.messages)
    ADD_FAILURE() << m.title << ": " << m.text;
  EXPECT_TRUE(reader().pass_outcome().ok());
}

TEST_F(JournalsTest, APassThatStallsEndsWithTheWarning) {
  start({"--journal-size", "1=120"});
  reader().read_whole_journal();
  ASSERT_TRUE(front_.pump_until([&] { return lines().size() >= 5; }, 30s));
  ASSERT_EQ(sim_->command("fault silent").rfind("tk52sim: ok", 0), 0u);
  finish_pass();
  EXPECT_LT(reader().displayed(), 120);
  bool warned = false;
  for (const auto& m : front_.shell.messages) {
    warned |= m.title == "Внимание!" && m.text == "Не удалось считать весь журнал.";
  }
  EXPECT_TRUE(warned);
  EXPECT_TRUE(front_.journals.controls_enabled);
}

// The cable pulled out half-way through a pass: the operator is told that the clock went away
// and that the journal came only in part, and nothing else (no request goes to the closed port).
TEST_F(JournalsTest, AClockUnpluggedDuringAPassIsReportedOnlyAsWhatHappened) {
  start({"--journal-size", "1=1000"});
  reader().read_whole_journal();
  ASSERT_TRUE(front_.pump_until([&] { return lines().size() >= 5; }, 30s));
  ASSERT_EQ(sim_->command("hangup 5000").rfind("tk52sim: ok", 0), 0u);
  ASSERT_TRUE(front_.pump_until([&] { return !front_.configurator->connected(); }, 10s));
  finish_pass();
  EXPECT_LT(reader().displayed(), 1000);
  std::vector<std::string> shown;
  for (const auto& m : front_.shell.messages)
    shown.push_back(m.title + " " + m.text);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Соединение разорвано. Устройство отключено от порта " + sim_->port() + ".",
                       "Внимание! Не удалось считать весь журнал."}));
  EXPECT_TRUE(front_.journals.controls_enabled);
}

TEST_F(JournalsTest, ARecordThatArrivesTwiceIsShownOnce) {
  start({"--journal-size", "1=3"});
  reader().read_whole_journal();
  finish_pass();
  ASSERT_EQ(lines().size(), 4u);
  // The same record's notification again, as a repeated reply would bring it.
  reader().on_notification(ReplyNotification::journal(JournalForm::kRecordStored, 1));
  EXPECT_EQ(lines().size(), 4u);
}

TEST_F(JournalsTest, RecordsBeyondTheTableAreShown) {
  start({"--journal-size", "1=2003"});
  reader().read_whole_journal();
  finish_pass();
  ASSERT_EQ(lines().size(), 2004u);
  EXPECT_EQ(lines()[2002].substr(0, 6), " 2002 ");
  EXPECT_TRUE(front_.shell.messages.empty());
}

TEST_F(JournalsTest, CountAndClear) {
  start({"--journal-size", "3=7"});
  front_.journals.type = 2;
  reader().read_count();
  ASSERT_TRUE(front_.pump_until([&] { return front_.journals.total == "7"; }, 10s));
  reader().clear_journal();
  reader().read_count();
  EXPECT_TRUE(front_.pump_until([&] { return front_.journals.total == "0"; }, 10s));
  EXPECT_TRUE(front_.shell.messages.empty());
}

TEST_F(JournalsTest, ModelsWithoutJournalsAnswerWithAnError) {
  sim_ = test::Simulator::start({"--time-format", "0"});
  ASSERT_NE(sim_, nullptr);
  front_.configurator->select_port({.name = sim_->port()});
  front_.configurator->dispatch(OperationCode::kConnect);
  ASSERT_TRUE(front_.configurator->connected());
  front_.configurator->dispatch(OperationCode::kCountJournal);
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].text, "Нет ответа на запрос.");
}

}  // namespace
}  // namespace tk52

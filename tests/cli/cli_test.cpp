// tk52cli as a script sees it: the real executable against tk52sim on a pseudo-terminal, its
// exit code, its standard output and the files it writes, under faults of the clock, of the
// line and of the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli_common.h"
#include "cli_process.h"
#include "simulator.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using test::CliOptions;
using test::CliProcess;
namespace fs = std::filesystem;

// Every command ends well within this; a hang fails the test instead of stopping the suite.
constexpr std::chrono::seconds kCommandBound{60};

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

std::size_t count_of(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size()))
    ++n;
  return n;
}

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    std::random_device random;
    do {
      folder_ = fs::temp_directory_path() / ("tk52_cli_test_" + std::to_string(random()));
    } while (!fs::create_directory(folder_));
  }
  ~CliTest() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void start(const std::vector<std::string>& sim_args) {
    sim_ = test::Simulator::start(sim_args);
    ASSERT_NE(sim_, nullptr);
  }
  // A model that keeps journals.
  void start_with_journals(std::vector<std::string> sim_args) {
    sim_args.insert(sim_args.begin(), {"--model", "TK-52.A"});
    sim_ = test::Simulator::start(sim_args);
    ASSERT_NE(sim_, nullptr);
  }

  // Runs tk52cli on the simulator's line; returns its exit code (-1 when it hung).
  int run(std::vector<std::string> args, const CliOptions& options = {}) {
    if (sim_) {
      args.push_back("--port");
      args.push_back(sim_->port());
    }
    process_ = std::make_unique<CliProcess>(args, options);
    return process_->wait_for_exit(kCommandBound).value_or(-1);
  }
  std::vector<std::string> out() { return process_->out_lines(); }
  std::string err() { return process_->err(); }
  fs::path file(const std::string& name) const { return folder_ / name; }

  fs::path folder_;
  std::unique_ptr<test::Simulator> sim_;
  std::unique_ptr<CliProcess> process_;
};

// A slow clock's answer to the connect-time query comes while the write waits; the write's own
// result comes after it and is the one reported.
TEST_F(CliTest, AConfigurationWriteToALateClockReportsTheWritesOwnResult) {
  start({"--model", "TK-52.A", "--fault", "delay=400"});
  const fs::path log_file = file("log.txt");
  const int code = run(
      {"config", "write", "--time-format", "3", "--pps-width", "7", "--log", log_file.string()});
  ASSERT_EQ(code, cli::kExitSuccess) << err() << (out().empty() ? "" : out()[0]) << "\n"
                                     << contents(log_file);
  ASSERT_EQ(out().size(), 1u) << err();
  const std::string json = out()[0];
  EXPECT_NE(json.find("\"time_stamp_format\":3"), std::string::npos) << json;
  // Either the write's own result, or what the clock holds when that result was lost.
  const bool own_result = json.find("\"code\":5") != std::string::npos;
  const bool read_back =
      json.find("\"read_back\":{\"model_type\":3,\"time_stamp_format\":3") != std::string::npos;
  EXPECT_TRUE(own_result || read_back) << json;
  EXPECT_EQ(sim_->command("show").find("error"), std::string::npos);
}

// Exit codes of a journal read: what the pass read decides, whatever else the clock sends.
TEST_F(CliTest, AJournalReadIsASuccessExactlyWhenEveryRecordWasRead) {
  struct Case {
    const char* legend;
    std::vector<std::string> sim;
    int exit_code;
    std::size_t lines;  // records and the empty line that ends the pass
  };
  const Case cases[] = {
      {"a complete journal", {"--journal-size", "1=20"}, cli::kExitSuccess, 21},
      // Unsolicited PKEXE each second: boxes of their own, nothing to do with the journal.
      {"device errors in the middle",
       {"--journal-size", "1=150", "--fault", "pkexe"},
       cli::kExitSuccess,
       151},
      // Record 0 is still asked for, and the clock answers with an error: 0 of 0 is complete.
      {"an empty journal", {"--journal-size", "1=0"}, cli::kExitSuccess, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    start_with_journals(c.sim);
    const fs::path out_file = file("journal.txt");
    EXPECT_EQ(run({"journal", "read", "--out", out_file.string()}), c.exit_code) << err();
    EXPECT_EQ(count_of(contents(out_file), "\r\n"), c.lines);
    sim_.reset();
  }
}

TEST_F(CliTest, AJournalThatStopsHalfwayIsIncompleteAndItsRecordsAreWritten) {
  start_with_journals({"--journal-size", "1=400"});
  const fs::path out_file = file("journal.txt");
  CliProcess cli({"journal", "read", "--out", out_file.string(), "--port", sim_->port()});
  // A few records in, the clock falls silent.
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (count_of(contents(out_file), "\r\n") < 5) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(20ms);  // polling the file the child writes, bounded above
  }
  ASSERT_EQ(sim_->command("fault no-replies").rfind("tk52sim: ok", 0), 0u);
  EXPECT_EQ(cli.wait_for_exit(kCommandBound), cli::kExitIncompleteJournal) << cli.err();
  const std::string journal = contents(out_file);
  EXPECT_GE(count_of(journal, "\r\n"), 5u);
  EXPECT_LT(count_of(journal, "\r\n"), 400u);
  EXPECT_EQ(journal.substr(0, 6), " 0000 ");
  EXPECT_NE(cli.err().find("Не удалось считать весь журнал."), std::string::npos);
}

TEST_F(CliTest, SyncWatchWithoutAValidTimeSentenceFails) {
  start({"--fault", "bad-crc"});
  EXPECT_EQ(run({"sync", "watch", "--seconds", "3"}), cli::kExitFailure);
  EXPECT_TRUE(out().empty());
  EXPECT_NE(err().find("no valid time sentence"), std::string::npos) << err();
}

TEST_F(CliTest, SyncWatchEndsWhenTheLineHangsUp) {
  start({});
  CliProcess cli({"sync", "watch", "--seconds", "50", "--port", sim_->port()});
  ASSERT_TRUE(cli.wait_for_line(10s)) << cli.err();
  const auto hung_up = std::chrono::steady_clock::now();
  ASSERT_EQ(sim_->command("hangup 5000").rfind("tk52sim: ok", 0), 0u);
  EXPECT_EQ(cli.wait_for_exit(kCommandBound), cli::kExitFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - hung_up, 20s);
  EXPECT_NE(cli.err().find("Устройство отключено от порта " + sim_->port() + "."),
            std::string::npos)
      << cli.err();
}

// Every write is checked: output that cannot be written is a failure with a message.
TEST_F(CliTest, OutputThatCannotBeWrittenIsAFailure) {
  const std::string capture = std::string(TK52_CAPTURES_DIR) + "/st-teseo-liv3f.log";
  struct Case {
    const char* legend;
    std::vector<std::string> args;
    CliOptions options;
    bool needs_clock;
  };
  const fs::path log_file = file("log.txt");
  const Case cases[] = {
      {"decode to a full disk",
       {"decode", capture},
       {file("out.jsonl").string(), false, 10000},
       false},
      {"decode to a closed standard output", {"decode", capture}, {"", true, {}}, false},
      {"--log to a full disk", {"identify", "--log", log_file.string()}, {"", false, 100}, true},
      {"journal --out to a full disk",
       {"journal", "read", "--out", file("journal.txt").string()},
       {"", false, 300},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    if (c.needs_clock)
      start_with_journals({"--journal-size", "1=30"});
    EXPECT_EQ(run(c.args, c.options), cli::kExitFailure);
    EXPECT_NE(err().find("tk52cli: cannot write"), std::string::npos) << err();
    sim_.reset();
  }
}

}  // namespace
}  // namespace tk52

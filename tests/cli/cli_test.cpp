// tk52cli as a script sees it: the real executable against tk52sim on a pseudo-terminal, its
// exit code, its standard output and the files it writes, under faults of the clock, of the
// line and of the disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli_common.h"
#include "cli_process.h"
#include "pages/configuration/configuration_profile.h"
#include "platform/text_1251.h"
#include "simulator.h"
#include "tk52_version.h"

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

// Every command and sub-command answers --help and -h with its own usage on standard output and
// exit code 0, without touching a port.
TEST_F(CliTest, EveryCommandExplainsItself) {
  struct Case {
    std::vector<std::string> args;
    const char* shows;  // a line only that command's usage has
  };
  const Case cases[] = {
      {{"--help"}, "  decode [--model N] [FILE]"},
      {{"-h"}, "  sync now "},
      {{"help"}, "exit codes:"},
      {{"help", "journal"}, "  journal clear [--type 1..3]"},
      {{"decode", "--help"}, "  decode [--model N] [FILE]"},
      {{"identify", "-h"}, "  identify  "},
      {{"config", "read", "--help"}, "  config defaults "},
      {{"config", "write", "--heating", "1", "-h"}, "  config write [--FIELD N]"},
      {{"find", "--help"}, "  find  "},
      {{"speed", "-h"}, "  speed --to N"},
      {{"info", "--help"}, "  info  "},
      {{"selftest", "--help"}, "  selftest  "},
      {{"monitor", "-h"}, "  monitor [--seconds S]"},
      {{"journal", "read", "--help"}, "  journal read [--type 1..3]"},
      {{"journal", "count", "-h"}, "  journal count [--type 1..3]"},
      {{"sync", "--help"}, "  sync watch [--seconds S]"},
      {{"sync", "now", "--help"}, "  sync now "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : std::string()));
    ASSERT_EQ(run(c.args), cli::kExitSuccess) << err();
    const std::vector<std::string> lines = out();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("usage: tk52cli", 0), 0u) << lines[0];
    bool shown = false;
    for (const std::string& line : lines)
      shown = shown || line.rfind(c.shows, 0) == 0;
    EXPECT_TRUE(shown) << c.shows;
    EXPECT_TRUE(err().empty()) << err();
  }
  ASSERT_EQ(run({"--version"}), cli::kExitSuccess);
  EXPECT_EQ(out(), std::vector<std::string>{"tk52cli " TK52_VERSION_TEXT});
  // A sub-command's usage names only its own command.
  ASSERT_EQ(run({"journal", "--help"}), cli::kExitSuccess);
  for (const std::string& line : out())
    EXPECT_EQ(line.find("  config "), std::string::npos) << line;
  EXPECT_EQ(run({"help", "nothing"}), cli::kExitUsage);
  EXPECT_EQ(run({"--encoding", "latin1", "identify"}), cli::kExitUsage);
  EXPECT_NE(err().find("--encoding takes utf-8 or cp1251"), std::string::npos) << err();
}

// Standard output and standard error speak the terminal's UTF-8, or Windows-1251 when a script
// asks; the journal file keeps the bytes of event_journal.txt whatever the terminal.
TEST_F(CliTest, TextsReachTheTerminalInItsEncoding) {
  start_with_journals({"--journal-size", "2=3"});
  const fs::path saved = file("journal.txt");
  const fs::path as_utf8 = file("utf8.txt");
  const fs::path as_cp1251 = file("cp1251.txt");
  ASSERT_EQ(run({"journal", "read", "--type", "2", "--out", saved.string()}), 0) << err();
  CliOptions to_file;
  to_file.stdout_path = as_utf8.string();
  ASSERT_EQ(run({"journal", "read", "--type", "2"}, to_file), 0) << err();
  to_file.stdout_path = as_cp1251.string();
  ASSERT_EQ(run({"--encoding", "cp1251", "journal", "read", "--type", "2"}, to_file), 0) << err();

  const std::string bytes = contents(saved);
  EXPECT_NE(bytes.find(utf8_to_cp1251("| Включение устройства ")), std::string::npos);
  EXPECT_EQ(count_of(bytes, "\r\n"), 4u);
  EXPECT_EQ(contents(as_cp1251), bytes);
  std::string utf8 = cp1251_to_utf8(bytes);
  for (std::size_t at = utf8.find("\r\n"); at != std::string::npos; at = utf8.find("\r\n", at))
    utf8.erase(at, 1);
  EXPECT_EQ(contents(as_utf8), utf8);
  EXPECT_NE(utf8.find("| Включение устройства "), std::string::npos);

  // The program's messages on standard error follow the same choice.
  sim_.reset();
  const std::string missing = file("no-such-port").string();
  EXPECT_EQ(run({"identify", "--port", missing}), cli::kExitFailure);
  EXPECT_NE(err().find("Не удалось открыть порт."), std::string::npos) << err();
  EXPECT_EQ(run({"--encoding", "cp1251", "identify", "--port", missing}), cli::kExitFailure);
  EXPECT_NE(err().find(utf8_to_cp1251("Не удалось открыть порт.")), std::string::npos) << err();
}

// A journal as data: CSV a spreadsheet opens (a file starts with the UTF-8 byte order mark),
// JSON one object a line; a file in a folder that does not exist is a clear failure.
TEST_F(CliTest, AJournalExportsAsCsvAndJson) {
  start_with_journals({"--journal-size", "2=3"});
  const fs::path csv = file("journal.csv");
  ASSERT_EQ(run({"journal", "read", "--type", "2", "--format", "csv", "--out", csv.string()}), 0)
      << err();
  const std::string bytes = contents(csv);
  ASSERT_EQ(bytes.rfind("\xEF\xBB\xBFnumber,utc_time,event_code,event_text,parameter,", 0), 0u);
  EXPECT_EQ(count_of(bytes, "\r\n"), 4u);  // the header and three records
  EXPECT_NE(bytes.find("\r\n0,2011-01-01T00:00:00Z,"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(",Включение устройства,"), std::string::npos) << bytes;

  ASSERT_EQ(run({"journal", "read", "--type", "2", "--format", "json"}), 0) << err();
  ASSERT_EQ(out().size(), 3u);
  EXPECT_EQ(out()[0].rfind("{\"number\":0,\"utc_time\":\"2011-01-01T00:00:00Z\",", 0), 0u)
      << out()[0];
  EXPECT_NE(out()[0].find("\"event_text\":\"Включение устройства\""), std::string::npos);

  const fs::path nowhere = file("no-such-folder") / "journal.csv";
  EXPECT_EQ(run({"journal", "read", "--format", "csv", "--out", nowhere.string()}),
            cli::kExitFailure);
  EXPECT_NE(err().find("tk52cli: cannot write " + nowhere.string() + ": "), std::string::npos)
      << err();
  EXPECT_FALSE(fs::exists(nowhere));
  EXPECT_EQ(run({"journal", "read", "--format", "xml"}), cli::kExitUsage);
}

// A profile saved from one clock applies to another of the same model and to no other; a file
// that is cut short, or a folder that does not exist, is a clear failure that writes nothing.
TEST_F(CliTest, AProfileAppliesToTheSameModelAndToNoOther) {
  start({"--model", "TK-52.A"});
  ASSERT_EQ(run({"config", "write", "--time-format", "3", "--pps-width", "250"}), 0) << err();
  const fs::path profile = file("clock.json");
  ASSERT_EQ(run({"config", "save", profile.string()}), 0) << err();
  const std::string saved = contents(profile);
  EXPECT_NE(saved.find("\"time_stamp_format\": \"ТК-52 (UNIX)\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"model\": \"TK-52.A\""), std::string::npos) << saved;
  sim_.reset();

  const auto twin = test::Simulator::start({"--model", "TK-52.A"});
  const auto other_model = test::Simulator::start({"--model", "TK-53"});
  ASSERT_TRUE(twin && other_model);
  const std::string twin_before = twin->command("show");
  const std::string other_before = other_model->command("show");

  const fs::path cut = file("cut.json");
  std::ofstream(cut, std::ios::binary) << saved.substr(0, saved.size() - 20);
  EXPECT_EQ(run({"config", "apply", cut.string(), "--port", twin->port()}), cli::kExitFailure);
  EXPECT_NE(err().find("Файл не является файлом конфигурации: он повреждён или обрезан."),
            std::string::npos)
      << err();
  EXPECT_EQ(run({"config", "apply", profile.string(), "--port", other_model->port()}),
            cli::kExitFailure);
  EXPECT_NE(err().find("Конфигурация сохранена для модели TK-52.A, а подключена модель TK-53."),
            std::string::npos)
      << err();
  EXPECT_EQ(run({"config", "apply", file("missing.json").string(), "--port", twin->port()}),
            cli::kExitFailure);
  EXPECT_NE(err().find("tk52cli: cannot read "), std::string::npos) << err();
  EXPECT_EQ(twin->command("show"), twin_before);
  EXPECT_EQ(other_model->command("show"), other_before);

  ASSERT_EQ(run({"config", "apply", profile.string(), "--port", twin->port()}), 0) << err();
  EXPECT_NE(out()[0].find("\"not_taken\":[]"), std::string::npos) << out()[0];
  ASSERT_EQ(run({"config", "read", "--port", twin->port()}), 0) << err();
  EXPECT_NE(out()[0].find("\"time_stamp_format\":3"), std::string::npos) << out()[0];
  EXPECT_NE(out()[0].find("\"pps_width\":250"), std::string::npos) << out()[0];

  const fs::path nowhere = file("no-such-folder") / "clock.json";
  EXPECT_EQ(run({"config", "save", nowhere.string(), "--port", twin->port()}), cli::kExitFailure);
  EXPECT_NE(err().find("tk52cli: cannot write " + nowhere.string()), std::string::npos) << err();
}

// What tk52cli reports is what happened: a field the connected model lacks, or a list position
// it does not have, is refused before anything is sent; the JSON lists only the model's fields,
// with the clock's padding blanks trimmed; a fault the self-diagnostic found fails the command;
// the traffic log names the port as it was given.
TEST_F(CliTest, ResultsSayOnlyWhatHappened) {
  start({"--model", "TK-52.00", "--diag", "4"});
  const std::string before = sim_->command("show");
  const struct {
    std::vector<std::string> args;
    const char* named;
  } refused[] = {
      {{"config", "write", "--satellites", "3"}, "--satellites takes a number from 0 to 2"},
      {{"config", "write", "--pps-width", "7", "--pps-source", "1"}, "--pps-width: the connected"},
      {{"config", "write", "--time-format", "3", "--pps-source", "1"},
       "--pps-source: the connected"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.args[3]);
    EXPECT_EQ(run(c.args), cli::kExitUsage) << err();
    EXPECT_NE(err().find(c.named), std::string::npos) << err();
    EXPECT_TRUE(out().empty());
  }
  EXPECT_EQ(sim_->command("show"), before);

  const fs::path log_file = file("log.txt");
  ASSERT_EQ(run({"config", "write", "--satellites", "2", "--log", log_file.string()}), 0) << err();
  ASSERT_EQ(out().size(), 1u);
  EXPECT_EQ(out()[0].find("pps_"), std::string::npos) << out()[0];
  EXPECT_NE(out()[0].find("\"satellite_systems\":2,\"utc_reference\":"), std::string::npos)
      << out()[0];
  EXPECT_NE(contents(log_file).find(utf8_to_cp1251("Установлено соединение по " + sim_->port() +
                                                   " на скорости 115200 бит/с")),
            std::string::npos)
      << contents(log_file);

  EXPECT_EQ(run({"selftest"}), cli::kExitFailure) << err();
  ASSERT_EQ(out().size(), 1u);
  EXPECT_NE(out()[0].find("\"code\":4,\"result\":\"E4\""), std::string::npos) << out()[0];
  sim_->command("diag 5");
  EXPECT_EQ(run({"selftest"}), cli::kExitSuccess) << err();

  sim_->command("model TK-52.A");
  ASSERT_EQ(run({"identify"}), 0) << err();
  EXPECT_EQ(out()[0].rfind("{\"model\":\"TK-52.A\",\"model_type\":3,", 0), 0u) << out()[0];
}

// The command line as scripts and people expect it: --option=value, --version and --help anywhere,
// a usage error that names what is wrong, no command without its port, and Ctrl-C ending with
// 130 after what was read is written.
TEST_F(CliTest, TheCommandLineFollowsTheUsualConventions) {
  start_with_journals({"--journal-size", "1=300", "--pace"});
  const std::string port = sim_->port();
  auto bare = [&](const std::vector<std::string>& args) {
    process_ = std::make_unique<CliProcess>(args);
    return process_->wait_for_exit(kCommandBound).value_or(-1);
  };
  EXPECT_EQ(bare({"identify", "--port=" + port, "--baud=115200"}), cli::kExitSuccess) << err();
  EXPECT_EQ(out()[0].rfind("{\"model\":\"TK-52.A\",", 0), 0u) << out()[0];
  EXPECT_EQ(bare({"identify", "--port=" + port, "--version"}), cli::kExitSuccess);
  EXPECT_EQ(out(), std::vector<std::string>{"tk52cli " TK52_VERSION_TEXT});
  EXPECT_EQ(bare({"--port", port, "--help"}), cli::kExitSuccess);
  EXPECT_EQ(out()[0].rfind("usage: tk52cli", 0), 0u);

  const struct {
    std::vector<std::string> args;
    const char* named;
  } usage[] = {
      {{"identify"}, "identify needs --port"},
      {{"journal", "read", "--port", port, "--count"}, "--count without a value"},
      {{"journal", "read", "--port=" + port, "--bogus=1"}, "--bogus 1 is not taken"},
      {{"config", "erase", "--port", port}, "not erase"},
      {{"monitor", "--port", port, "--often"}, "monitor: --often is not taken"},
  };
  for (const auto& c : usage) {
    SCOPED_TRACE(c.named);
    EXPECT_EQ(bare(c.args), cli::kExitUsage);
    EXPECT_NE(err().find(c.named), std::string::npos) << err();
  }

  // Ctrl-C in the middle of a read: the records so far are written, and the status says so.
  process_ =
      std::make_unique<CliProcess>(std::vector<std::string>{"journal", "read", "--port", port});
  ASSERT_TRUE(process_->wait_for_line(std::chrono::seconds(30)));
  process_->send_signal(SIGINT);
  EXPECT_EQ(process_->wait_for_exit(kCommandBound).value_or(-1), cli::kExitInterrupted) << err();
  EXPECT_FALSE(out().empty());
  EXPECT_LT(out().size(), 302u);
  process_ = std::make_unique<CliProcess>(std::vector<std::string>{"monitor", "--port", port});
  ASSERT_TRUE(process_->wait_for_line(std::chrono::seconds(30)));
  process_->send_signal(SIGINT);
  EXPECT_EQ(process_->wait_for_exit(kCommandBound).value_or(-1), cli::kExitInterrupted) << err();
}

// A journal cleared in the clock reads as empty: said once, exit 0, no records, and no refusal of
// the record request an empty journal still gets.
TEST_F(CliTest, AClearedJournalIsSaidToBeEmptyOnce) {
  start_with_journals({"--journal-size", "1=5"});
  ASSERT_EQ(run({"journal", "clear"}), cli::kExitSuccess) << err();
  for (const char* format : {"text", "json"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(run({"journal", "read", "--format", format}), cli::kExitSuccess) << err();
    EXPECT_EQ(err(), "tk52cli: journal 1 is empty\n");
    for (const std::string& line : out())
      EXPECT_EQ(line, "") << "a record of an empty journal";
  }
}

// Only a regular file can be a profile: a pipe with no writer, a terminal device or the clock's own
// line would block the read for ever, so each is refused before it is opened, the clock left as
// it was. A profile nested deep enough to exhaust the stack is refused, not a crash.
TEST_F(CliTest, AProfileThatIsNoFileOrNestedDeepIsRefused) {
  start({"--model", "TK-52.A"});
  const std::string before = sim_->command("show");
  const fs::path fifo = file("pipe.json");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {fifo.string(), std::string(kProfileNotAFile)},
      {"/dev/ptmx", std::string(kProfileNotAFile)},
      {sim_->port(), std::string(kProfileNotAFile)},
      {file("").string(), std::string(kProfileNotAFile)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(run({"config", "apply", c.path}), cli::kExitFailure);
    EXPECT_EQ(err(), "tk52cli: cannot read " + c.path + ": " + c.message + "\n");
  }
  const fs::path nested = file("nested.json");
  std::ofstream(nested, std::ios::binary)
      << "{\"x\":" << std::string(200'000, '[') << std::string(200'000, ']')
      << ",\"format\":\"tk52cfg-configuration\"}";
  EXPECT_EQ(run({"config", "apply", nested.string()}), cli::kExitFailure);
  EXPECT_NE(err().find("вложены слишком глубоко"), std::string::npos) << err();
  EXPECT_EQ(sim_->command("show"), before);
}

}  // namespace
}  // namespace tk52

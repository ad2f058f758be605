#include "commands.h"

#include <gtest/gtest.h>

#include <string>

#include "options.h"

namespace tk52::sim {
namespace {

struct CommandCase {
  const char* line;
  bool ok;
  const char* shows;  // a part of "show" after the command; empty: not checked
};

TEST(Commands, ChangeTheClockOrSayWhatIsWrong) {
  const CommandCase cases[] = {
      {"status V", true, "status V"},
      {"status X", false, ""},
      {"sats 12", true, "sats 12"},
      {"sats 100", false, ""},
      {"heating none", true, "heating none"},
      {"temperature -40", true, "temperature -40"},
      {"temperature 100", false, ""},
      {"lat 5959.9999999S", true, "lat 5959.9999999S"},
      {"lat 12345.1N", false, ""},
      {"lon 17959.99W", true, "lon 17959.99W"},
      {"lon none", true, "lon none"},
      {"alt -12.5", true, "alt -12.5"},
      {"alt 1e3", false, ""},
      {"diag 4", true, "diag 4"},
      {"diag 10", false, ""},
      {"time-format 3", true, "config 3,1,2,0"},
      {"time-format 9", false, ""},
      {"config 5,2,1,1", true, "config 5,2,1,1"},
      {"config 5,2,1,1,2,100", false, ""},
      {"baud 9600", true, "baud 9600"},
      {"baud 9601", false, ""},
      {"pace on", true, "paced"},
      {"offset-ms -1500", true, "offset-ms -1500"},
      {"fault delay=300", true, "faults delay=300"},
      {"fault delay", false, ""},
      {"clear all", true, "faults none"},
      {"journal-size 2=120", true, "journals 48 120 10"},
      {"journal-size 4=1", false, ""},
      {"model TK-52.A", true, "model TK-52.A hw 01 sw V2.345"},
      {"model TK-53", true, "; journals 48 "},
      {"model TK-99", false, ""},
      {"  show  ", true, ""},
      {"frobnicate", false, ""},
  };
  for (const CommandCase& c : cases) {
    Engine engine(Device(default_identity("TK-52.00")), 115200, 1);
    ClockSettings clock;
    const CommandResult result = run_command(engine, clock, c.line);
    EXPECT_EQ(result.ok, c.ok) << c.line << ": " << result.message;
    if (!c.ok) {
      EXPECT_FALSE(result.message.empty()) << c.line;
    }
    EXPECT_EQ(result.action, Action::kNone) << c.line;
    EXPECT_NE(describe(engine, clock).find(c.shows), std::string::npos)
        << c.line << " -> " << describe(engine, clock);
  }
}

TEST(Commands, ActionsForTheLoop) {
  Engine engine(Device(default_identity("TK-53")), 115200, 1);
  ClockSettings clock;
  EXPECT_EQ(run_command(engine, clock, "quit").action, Action::kQuit);
  const CommandResult hangup = run_command(engine, clock, "hangup 250");
  EXPECT_EQ(hangup.action, Action::kHangup);
  EXPECT_EQ(hangup.value, 250);
  EXPECT_EQ(run_command(engine, clock, "hangup").value, 1000);
  const CommandResult report = run_command(engine, clock, "pkexe 1");
  EXPECT_EQ(report.action, Action::kSendErrorReport);
  EXPECT_EQ(report.value, 1);
  EXPECT_EQ(run_command(engine, clock, "pkexe 100").action, Action::kNone);
  EXPECT_NE(run_command(engine, clock, "help").message.find("hangup"), std::string::npos);
}

TEST(Options, StartSettingsAndCommandsInOrder) {
  Options options;
  std::string error;
  ASSERT_TRUE(parse_options({"--model", "TK-52.A", "--hw=02", "--baud", "9600", "--pace", "--fault",
                             "noise=5", "--fault=ident-only", "--control", "/tmp/c"},
                            options, error))
      << error;
  EXPECT_EQ(options.model, "TK-52.A");
  EXPECT_EQ(options.hardware, "02");
  EXPECT_FALSE(options.software);
  EXPECT_TRUE(options.pace);
  EXPECT_EQ(options.control, "/tmp/c");
  EXPECT_EQ(options.commands,
            (std::vector<std::string>{"baud 9600", "fault noise=5", "fault ident-only"}));
}

TEST(Options, BadArgumentsAreNamed) {
  const std::vector<std::vector<std::string_view>> cases = {
      {"--frobnicate", "1"}, {"--baud"},          {"stray"},
      {"--model", "TK,52"},  {"--seed", "0"},     {"--link", "/tmp/a", "--device", "/dev/null"},
      {"--quit", "x"},       {"--hangup", "100"},
  };
  for (const auto& args : cases) {
    Options options;
    std::string error;
    EXPECT_FALSE(parse_options(args, options, error)) << args.front();
    EXPECT_FALSE(error.empty());
  }
}

TEST(Options, HelpDocumentsEveryOptionCommandAndFault) {
  const std::string text = usage();
  for (const char* word :
       {"--model",     "--hw",           "--sw",       "--link",     "--device",
        "--control",   "--transcript",   "--pace",     "--baud",     "--time-format",
        "--offset-ms", "--journal-size", "--fault",    "quit",       "hangup",
        "pkexe",       "show",           "no-replies", "ident-only", "bad-crc",
        "overlong",    "split",          "noise",      "E8",         "PKEXE,01"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace tk52::sim

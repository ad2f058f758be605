// tk52cli: the configurator's operations from a terminal.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_common.h"
#include "decode.h"
#include "link/serial_port.h"
#include "operations_cli.h"
#include "sync_cli.h"
#include "tk52_version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Each command's lines of the usage text; "tk52cli COMMAND --help" prints its own.
struct CommandUsage {
  std::string_view name;
  const char* text;
};

constexpr CommandUsage kDecodeUsage = {
    "decode",
    "  decode [--model N] [FILE]   decode the sentences of FILE (standard input when absent):\n"
    "                              one JSON object per line that holds a \"$\". N (0..4) is\n"
    "                              the model type to start with; identification replies in\n"
    "                              the input change it. Reads traffic logs (journal.txt) too.\n"};

constexpr CommandUsage kDeviceUsages[] = {
    {"identify",
     "  identify                    the clock's identity: model, model type, versions\n"},
    {"config",
     "  config read                 the configuration, as list positions\n"
     "  config write [--FIELD N]...\n"
     "                              write the configuration; the fields are --time-format,\n"
     "                              --satellites, --utc, --heating, --pps-source (list\n"
     "                              positions as on the page) and --pps-width (the width);\n"
     "                              fields not given keep the values read on connecting\n"
     "  config defaults             write the model's default configuration\n"
     "  config save FILE            read the configuration and keep it in FILE, a profile\n"
     "                              (JSON: the model, the fields by their meaning, the\n"
     "                              program's version and the date)\n"
     "  config apply FILE           write the profile in FILE to the clock, after checking it\n"
     "                              suits the clock's model (nothing is written otherwise),\n"
     "                              then read it back: a field the clock did not take fails\n"},
    {"find", "  find                        find the clock's speed (--baud is not needed)\n"},
    {"speed", "  speed --to N                switch the clock and the port to N bit/s\n"},
    {"info", "  info                        request the extra information\n"},
    {"selftest", "  selftest                    run the self-diagnostic\n"},
    {"monitor",
     "  monitor [--seconds S] [--periodic]\n"
     "                              print the traffic log as it is written, S seconds or until\n"
     "                              interrupted; --periodic polls the extra information\n"},
    {"journal",
     "  journal read [--type 1..3] [--count N] [--format text|csv|json] [--out FILE]\n"
     "                              read a journal's records (all, or the first N) as the\n"
     "                              journals page does; the lines of event_journal.txt go to\n"
     "                              standard output, or to FILE as the program writes them\n"
     "                              (Windows-1251, CR LF). --format csv: one row per record\n"
     "                              (number, UTC time, event code and text, parameter and its\n"
     "                              text) under a header row, UTF-8 (a FILE starts with the\n"
     "                              byte order mark spreadsheets look for); --format json: one\n"
     "                              object per record and line\n"
     "  journal count [--type 1..3]\n"
     "                              the journal's record count\n"
     "  journal clear [--type 1..3]\n"
     "                              clear the journal in the clock\n"},
};

constexpr const char* kGlobalUsage =
    "global options (anywhere on the line):\n"
    "  --port PORT                 the clock's port: a device path (/dev/ttyUSB0), COMn on\n"
    "                              Windows, tcp://HOST:PORT for a raw TCP serial server (its\n"
    "                              speed is the server's: no find or speed there), or\n"
    "                              rfc2217://HOST:PORT for a server that takes COM Port\n"
    "                              Control (RFC 2217); every device command needs it\n"
    "  --baud N                    its speed in bit/s: 2400 4800 9600 19200 38400 57600 115200\n"
    "                              (default 115200)\n"
    "  --log FILE                  append the traffic log to FILE (Windows-1251, CR LF)\n"
    "  --encoding utf-8|cp1251     the encoding of standard output and standard error when\n"
    "                              they are not a console (default utf-8; a Windows console\n"
    "                              always gets its characters right)\n"
    "  -h, --help                  this text, or with a command that command's usage\n"
    "  --version                   the program's version\n"
    "  --OPTION=VALUE              the same as --OPTION VALUE, for every option\n";

constexpr const char* kExitCodes =
    "exit codes:\n"
    "  0  success\n"
    "  1  failure: the program's message, or what could not be written, is on standard error\n"
    "     (a write to standard output, --out or --log that fails is a failure too)\n"
    "  2  usage error\n"
    "  3  journal read: the journal came only in part; the records read are written\n"
    "  130  interrupted (Ctrl-C): what was read until then is written\n";

std::string general_usage() {
  std::string text =
      "usage: tk52cli [global options] <command> [options]\n"
      "\n"
      "tk52cli works a KEX TK-52 radio clock on a serial port as the configurator does, and\n"
      "decodes captures and traffic logs.\n"
      "\n"
      "commands:\n";
  text += kDecodeUsage.text;
  text += "\ndevice commands (each connects as the program does, then disconnects):\n";
  for (const CommandUsage& c : kDeviceUsages)
    text += c.text;
  text += "\ntime synchronisation:\n";
  text += tk52::cli::kSyncUsage;
  text += "\n  help [COMMAND]              this text, or a command's usage\n\n";
  text += kGlobalUsage;
  text += "\n";
  text += kExitCodes;
  return text;
}

// The usage of one command, or nothing when there is no such command.
std::optional<std::string> command_usage(std::string_view command) {
  const char* lines = nullptr;
  if (command == kDecodeUsage.name)
    lines = kDecodeUsage.text;
  if (command == "sync")
    lines = tk52::cli::kSyncUsage;
  for (const CommandUsage& c : kDeviceUsages) {
    if (command == c.name)
      lines = c.text;
  }
  if (lines == nullptr)
    return std::nullopt;
  std::string text = "usage: tk52cli [global options] " + std::string(command) + " ...\n\n";
  text += lines;
  if (command != kDecodeUsage.name) {
    text += "\n";
    text += kGlobalUsage;
  }
  text += "\n";
  text += kExitCodes;
  return text;
}

int print_usage(const std::string& text) {
  tk52::cli::print_text(text);
  if (tk52::cli::output_failed()) {
    tk52::cli::print_error("tk52cli: cannot write the output: %s\n", std::strerror(errno));
    return tk52::cli::kExitFailure;
  }
  return tk52::cli::kExitSuccess;
}

bool asks_for_help(const std::vector<std::string_view>& args) {
  for (const std::string_view a : args) {
    if (a == "--help" || a == "-h")
      return true;
  }
  return false;
}

int run_decode(const std::vector<std::string_view>& args) {
  int model = 0;
  const char* path = nullptr;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--model") {
      if (i + 1 >= args.size() || !tk52::cli::parse_number(args[i + 1], 0, 4, model)) {
        return tk52::cli::usage_error("--model takes a model type from 0 to 4");
      }
      ++i;
    } else if (!args[i].empty() && args[i][0] == '-' && args[i] != "-") {
      return tk52::cli::usage_error("unknown option " + std::string(args[i]));
    } else if (path == nullptr) {
      path = args[i].data();
    } else {
      return tk52::cli::usage_error("decode takes one file");
    }
  }

  std::FILE* in = stdin;
  if (path != nullptr && std::string_view(path) != "-") {
    in = std::fopen(path, "rb");
    if (in == nullptr) {
      tk52::cli::print_error("tk52cli: cannot open %s: %s\n", path, std::strerror(errno));
      return tk52::cli::kExitFailure;
    }
  }
  const long long decoded = tk52::cli::decode_stream(
      in, [](std::string_view text) { return tk52::cli::write_text(stdout, text); },
      tk52::model_from_number(model));
  const int error = errno;
  if (in != stdin)
    std::fclose(in);
  if (decoded == tk52::cli::kDecodeReadFailed) {
    tk52::cli::print_error("tk52cli: cannot read %s: %s\n", path ? path : "standard input",
                           std::strerror(error));
    return tk52::cli::kExitFailure;
  }
  if (decoded == tk52::cli::kDecodeWriteFailed || tk52::cli::output_failed()) {
    tk52::cli::print_error("tk52cli: cannot write the output: %s\n",
                           std::strerror(decoded == tk52::cli::kDecodeWriteFailed ? error : errno));
    return tk52::cli::kExitFailure;
  }
  return tk52::cli::kExitSuccess;
}

}  // namespace

// Takes the global options out of the arguments, wherever they stand.
bool take_global_options(std::vector<std::string_view>& args, tk52::cli::GlobalOptions& options,
                         std::string& error) {
  std::vector<std::string_view> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a != "--port" && a != "--baud" && a != "--log" && a != "--encoding") {
      rest.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) {
      error = std::string(a) + " takes a value";
      return false;
    }
    const std::string_view value = args[++i];
    if (a == "--port") {
      options.port = value;
    } else if (a == "--log") {
      options.log_path = value;
    } else if (a == "--encoding") {
      tk52::cli::TextEncoding encoding{};
      if (!tk52::cli::parse_encoding(value, encoding)) {
        error = "--encoding takes utf-8 or cp1251";
        return false;
      }
      tk52::cli::set_output_encoding(encoding);
    } else if (!tk52::cli::parse_number(value, 1, 10000000, options.baud) ||
               tk52::speed_index(options.baud) < 0) {
      error = "--baud takes one of 2400 4800 9600 19200 38400 57600 115200";
      return false;
    }
  }
  args = rest;
  return true;
}

int main(int argc, char** argv) {
#ifdef _WIN32
  // Sentences and logs are bytes: no CR LF translation on the way in or out.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  // "--option=value" is "--option value".
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    const std::size_t equals = word.find('=');
    if (word.starts_with("--") && equals != std::string_view::npos) {
      words.emplace_back(word.substr(0, equals));
      words.emplace_back(word.substr(equals + 1));
    } else {
      words.emplace_back(word);
    }
  }
  std::vector<std::string_view> all(words.begin(), words.end());
  for (const std::string_view word : all) {
    if (word == "--version" || word == "-V")
      return print_usage("tk52cli " TK52_VERSION_TEXT "\n");
  }
  tk52::cli::GlobalOptions options;
  std::string error;
  if (!take_global_options(all, options, error))
    return tk52::cli::usage_error(error);
  if (all.empty())
    return tk52::cli::usage_error("no command given");
  const std::string_view command = all[0];
  const std::vector<std::string_view> args(all.begin() + 1, all.end());
  if (asks_for_help(all) && !command_usage(command) && command != "help")
    return print_usage(general_usage());
  if (command == "help" || command == "--help" || command == "-h") {
    if (args.empty())
      return print_usage(general_usage());
    const std::optional<std::string> usage = command_usage(args[0]);
    if (args.size() > 1 || !usage)
      return tk52::cli::usage_error("help takes one command: help [COMMAND]");
    return print_usage(*usage);
  }
  if (asks_for_help(args)) {
    if (const std::optional<std::string> usage = command_usage(command))
      return print_usage(*usage);
  }
  if (command == "decode")
    return run_decode(args);
  if (command_usage(command) && options.port.empty())
    return tk52::cli::usage_error(std::string(command) + " needs --port: the clock's port");
  const int status = tk52::cli::run_device_command(command, args, options);
  if (status >= 0)
    return status;
  if (command == "sync")
    return tk52::cli::run_sync_command(args, options);
  return tk52::cli::usage_error("unknown command " + std::string(command));
}

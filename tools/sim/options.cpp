#include "options.h"

#include "commands.h"
#include "faults.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

// Text that goes into a sentence field must not end the field, the body or the sentence.
bool is_field_text(std::string_view text) {
  if (text.empty())
    return false;
  for (char c : text) {
    if (c < ' ' || c > '~' || c == ',' || c == '*' || c == '$')
      return false;
  }
  return true;
}

bool store(std::string& field, std::string_view value, bool valid) {
  if (!valid)
    return false;
  field = value;
  return true;
}

bool store(std::optional<std::string>& field, std::string_view value, bool valid) {
  if (!valid)
    return false;
  field = std::string(value);
  return true;
}

struct StartOption {
  std::string_view name;
  std::string_view syntax;
  std::string_view help;
  bool (*set)(Options&, std::string_view value);
};

const StartOption kStartOptions[] = {
    {"model", "TEXT",
     "model as sent on the wire: TK-52.00 (default), TK-52.01, TK-52.A, TK-53, "
     "or any other text",
     [](Options& o, std::string_view v) { return store(o.model, v, is_field_text(v)); }},
    {"hw", "NN", "hardware version; default 01",
     [](Options& o, std::string_view v) { return store(o.hardware, v, is_field_text(v)); }},
    {"sw", "TEXT", "software version; default V1.23, V2.345 on TK-52.A, V3.012 on TK-53",
     [](Options& o, std::string_view v) { return store(o.software, v, is_field_text(v)); }},
    {"link", "PATH", "also make PATH a symbolic link to the pseudo-terminal (removed at exit)",
     [](Options& o, std::string_view v) { return store(o.link, v, !v.empty()); }},
    {"device", "PATH", "face a PC through this serial device (8N1, raw, at --baud) instead",
     [](Options& o, std::string_view v) { return store(o.device, v, !v.empty()); }},
    {"control", "PATH", "create a FIFO at PATH that takes control commands like standard input",
     [](Options& o, std::string_view v) { return store(o.control, v, !v.empty()); }},
    {"transcript", "FILE", "write each sentence sent (>) and received (<) with a UTC time stamp",
     [](Options& o, std::string_view v) { return store(o.transcript, v, !v.empty()); }},
    {"seed", "N", "seed of the line noise; default 1",
     [](Options& o, std::string_view v) {
       std::int64_t seed = 0;
       if (!parse_int(v, std::int64_t{1}, std::int64_t{999'999'999}, seed))
         return false;
       o.seed = static_cast<std::uint32_t>(seed);
       return true;
     }},
};

const StartOption* find_start_option(std::string_view name) {
  for (const StartOption& option : kStartOptions) {
    if (option.name == name)
      return &option;
  }
  return nullptr;
}

}  // namespace

bool parse_options(const std::vector<std::string_view>& args, Options& out, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      out.help = true;
      continue;
    }
    if (arg == "--pace") {
      out.pace = true;
      continue;
    }
    if (!arg.starts_with("--")) {
      error = "unexpected argument \"" + std::string(arg) + "\"";
      return false;
    }
    arg.remove_prefix(2);
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const StartOption* option = find_start_option(name);
    if (option == nullptr && !is_start_command(name)) {
      error = "unknown option --" + std::string(name);
      return false;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = "--" + std::string(name) + " needs a value";
      return false;
    }
    if (option == nullptr) {
      out.commands.push_back(std::string(name) + ' ' + std::string(value));
    } else if (!option->set(out, value)) {
      error = "--" + std::string(name) + " takes " + std::string(option->syntax) + ", not \"" +
              std::string(value) + "\"";
      return false;
    }
  }
  if (!out.link.empty() && !out.device.empty()) {
    error = "--link makes a link to a pseudo-terminal; it cannot go with --device";
    return false;
  }
  return true;
}

std::string usage() {
  std::string text =
      "usage: tk52sim [options]\n"
      "\n"
      "A software TK-52 radio clock on a serial line. By default it makes a pseudo-terminal and\n"
      "prints \"tk52sim: line <slave path>\" as its first line on standard output; a PC program\n"
      "opens that path as its serial port. The clock emits its time sentence at each second of\n"
      "its own time and answers PKEXI, PKEXC (query and write), PKEXR, PKEXS, PKEXD and PKEXJ.\n"
      "When the PC sets its side of the pseudo-terminal to another speed than the clock's, both\n"
      "directions carry garbage, as on a real line.\n"
      "\n"
      "Requests it cannot take are answered \"$PKEXE,01\" (unknown request, or the wrong number "
      "of\n"
      "fields) or \"$PKEXE,02\" (a field out of range, or an unknown journal record); requests\n"
      "with a wrong checksum are ignored. A rejected configuration write is answered\n"
      "\"$PKEXC,E<d>\": E1 wrong number of fields for the model, E2 time format, E3 satellite\n"
      "systems, E4 UTC reference, E6 heating, E7 PPS source, E8 PPS width (three digits, 1..400).\n"
      "\n"
      "options:\n";
  for (const StartOption& option : kStartOptions) {
    text += help_entry("  --" + std::string(option.name) + ' ' + std::string(option.syntax),
                       option.help);
  }
  text +=
      help_entry("  --pace", "send at the line's rate (ten bits a byte) instead of at once") +
      help_entry("  --help", "this text") + help_entry("  --version", "the program's version") +
      "and, as at run time:\n" + command_help(true) +
      "\n"
      "control commands, one a line on standard input or the --control FIFO; each is answered\n"
      "on standard output by one line \"tk52sim: ok NAME[: text]\" or \"tk52sim: error: text\":\n" +
      command_help(false) +
      "\n"
      "faults, for --fault and the fault command:\n" +
      fault_help() +
      "\n"
      "Exit status: 0 after quit or SIGINT/SIGTERM (which remove the link and the FIFO); 2 for\n"
      "bad options; 1 when the line cannot be made. The end of standard input does not end it.\n";
  return text;
}

}  // namespace tk52::sim

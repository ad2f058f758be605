#include "commands.h"

#include "speeds.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

struct Context {
  Engine& engine;
  ClockSettings& clock;
  CommandResult& result;
};

using Handler = bool (*)(Context&, std::string_view argument);

struct Command {
  std::string_view name;
  std::string_view syntax;
  std::string_view help;
  bool at_start;  // also a command-line option
  Handler run;
};

ExtraInfoSettings& info(Context& c) {
  return c.engine.device().extra_info();
}

bool fail(Context& c, std::string message) {
  c.result.ok = false;
  c.result.message = std::move(message);
  return false;
}

constexpr int kDefaultHangupMs = 1000;
constexpr int kDefaultErrorReport = 2;

const Command kCommands[] = {
    {"time-format", "N",
     "time sentence each second: 0 none, 1 TK-51, 2 PKEXT, 3 PKEXU, 4 GPZDA, "
     "5 GPRMC, 6 GPGGA, 7/8 PPS only (no text); default 2",
     true,
     [](Context& c, std::string_view a) {
       return parse_int(a, 0, 8, c.engine.device().configuration().time_format);
     }},
    {"config", "F,S,U,H[,P,WWW]",
     "configuration as the write request carries it, checked against the model's layout", true,
     [](Context& c, std::string_view a) {
       Device& d = c.engine.device();
       const int fault = parse_configuration(a, d.model_type(), d.configuration());
       return fault == 0 || fail(c, "configuration rejected with E" + std::to_string(fault));
     }},
    {"status", "A|V", "fix status in PKEXS and the time sentences; default A", true,
     [](Context& c, std::string_view a) {
       if (a != "A" && a != "V")
         return false;
       info(c).status = a.front();
       return true;
     }},
    {"sats", "N", "satellites in view, 0..99; default 8", true,
     [](Context& c, std::string_view a) { return parse_int(a, 0, 99, info(c).satellites); }},
    {"heating", "0|1|none", "heating field of PKEXS; default 1 (none on TK-52.A and TK-53)", true,
     [](Context& c, std::string_view a) { return set_heating(info(c), a); }},
    {"temperature", "N|none", "temperature, -99..99 degrees C; default 23 (none on the PPS models)",
     true, [](Context& c, std::string_view a) { return set_temperature(info(c), a); }},
    {"lat", "DDMM.F(N|S)|none", "latitude; default 5545.0012N", true,
     [](Context& c, std::string_view a) { return set_latitude(info(c), a); }},
    {"lon", "DDDMM.F(E|W)|none", "longitude; default 03737.5000E", true,
     [](Context& c, std::string_view a) { return set_longitude(info(c), a); }},
    {"alt", "[-]M[.F]|none", "altitude in metres; default 156.07", true,
     [](Context& c, std::string_view a) { return set_altitude(info(c), a); }},
    {"diag", "N", "self-diagnostic code 0..9: 5 replies OK, others E<N>; default 5", true,
     [](Context& c, std::string_view a) {
       int code = 0;
       if (!parse_int(a, 0, 9, code))
         return false;
       c.engine.device().set_diagnostic_code(code);
       return true;
     }},
    {"baud", "N", "the clock's line speed: 2400 4800 9600 19200 38400 57600 115200; default 115200",
     true,
     [](Context& c, std::string_view a) {
       int baud = 0;
       if (!parse_int(a, 0, 1000000, baud) || speed_index(baud) < 0)
         return false;
       c.engine.set_baud(baud);
       return true;
     }},
    {"offset-ms", "N", "the clock's time minus the host's UTC, in ms; default 0", true,
     [](Context& c, std::string_view a) {
       return parse_int(a, std::int64_t{-86'400'000}, std::int64_t{86'400'000}, c.clock.offset_ms);
     }},
    {"model", "TEXT",
     "become another model (TK-52.00, TK-52.01, TK-52.A, TK-53) with its default configuration, "
     "as if that clock were plugged in; the journals stay",
     false,
     [](Context& c, std::string_view a) {
       if (a != "TK-52.00" && a != "TK-52.01" && a != "TK-52.A" && a != "TK-53")
         return false;
       c.engine.device().replace_model(default_identity(a));
       return true;
     }},
    {"pace", "on|off", "send at the line's rate, ten bits a byte (option: --pace alone)", false,
     [](Context& c, std::string_view a) {
       if (a != "on" && a != "off")
         return false;
       c.engine.set_paced(a == "on");
       return true;
     }},
    {"fault", "NAME[=VALUE]", "switch a fault on (list below); repeatable as an option", true,
     [](Context& c, std::string_view a) {
       std::string error;
       return set_fault(c.engine.faults(), a, error) || fail(c, error);
     }},
    {"clear", "NAME|all", "switch a fault off, or all of them", false,
     [](Context& c, std::string_view a) {
       std::string error;
       return clear_fault(c.engine.faults(), a, error) || fail(c, error);
     }},
    {"journal-size", "J=N", "journal J (1..3) holds N records (0..9999), its seed repeated", true,
     [](Context& c, std::string_view a) {
       const std::size_t equals = a.find('=');
       int journal = 0, count = 0;
       if (equals == std::string_view::npos || !parse_int(a.substr(0, equals), 1, 3, journal) ||
           !parse_int(a.substr(equals + 1), 0, kMaxJournalRecords, count)) {
         return false;
       }
       c.engine.device().journals().resize(journal, count);
       return true;
     }},
    {"pkexe", "[NN]", "send \"$PKEXE,NN\" once, now (default 02)", false,
     [](Context& c, std::string_view a) {
       c.result.action = Action::kSendErrorReport;
       c.result.value = kDefaultErrorReport;
       return a.empty() || parse_int(a, 0, 99, c.result.value);
     }},
    {"hangup", "[MS]",
     "the line goes away for MS ms (default 1000): the pseudo-terminal is closed, so the PC "
     "sees a hang-up, and a new one is made and announced; a serial device is closed and "
     "reopened",
     false,
     [](Context& c, std::string_view a) {
       c.result.action = Action::kHangup;
       c.result.value = kDefaultHangupMs;
       return a.empty() || parse_int(a, 0, 600000, c.result.value);
     }},
    {"show", "", "print the clock's state", false,
     [](Context& c, std::string_view a) {
       c.result.message = describe(c.engine, c.clock);
       return a.empty();
     }},
    {"help", "", "list the commands", false,
     [](Context& c, std::string_view a) {
       c.result.message = command_help(false) + "faults:\n" + fault_help();
       return a.empty();
     }},
    {"quit", "", "end the simulator", false,
     [](Context& c, std::string_view a) {
       c.result.action = Action::kQuit;
       return a.empty();
     }},
};

const Command* find_command(std::string_view name) {
  for (const Command& command : kCommands) {
    if (command.name == name)
      return &command;
  }
  return nullptr;
}

std::string_view trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos)
    return {};
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

CommandResult run_command(Engine& engine, ClockSettings& clock, std::string_view line) {
  line = trim(line);
  const std::size_t space = line.find_first_of(" \t");
  const std::string_view name = line.substr(0, space);
  const std::string_view argument =
      space == std::string_view::npos ? std::string_view{} : trim(line.substr(space));
  CommandResult result;
  const Command* command = find_command(name);
  if (command == nullptr) {
    result.ok = false;
    result.message = "unknown command \"" + std::string(name) + "\" (try help)";
    return result;
  }
  Context context{engine, clock, result};
  if (!command->run(context, argument) && result.message.empty()) {
    result.ok = false;
    result.message =
        std::string(name) + " takes " +
        (command->syntax.empty() ? std::string("no value") : std::string(command->syntax)) +
        ", not \"" + std::string(argument) + "\"";
  }
  if (!result.ok)
    result.action = Action::kNone;
  return result;
}

bool is_start_command(std::string_view name) {
  const Command* command = find_command(name);
  return command != nullptr && command->at_start;
}

std::string command_help(bool as_options) {
  std::string text;
  for (const Command& command : kCommands) {
    if (as_options && !command.at_start)
      continue;
    std::string head = std::string(as_options ? "  --" : "  ") + std::string(command.name);
    if (!command.syntax.empty())
      head += ' ' + std::string(command.syntax);
    text += help_entry(head, command.help);
  }
  return text;
}

std::string describe(Engine& engine, const ClockSettings& clock) {
  Device& device = engine.device();
  const Identity& id = device.identity();
  const ExtraInfoSettings& i = device.extra_info();
  auto or_none = [](const std::string& text) { return text.empty() ? std::string("none") : text; };
  std::string text =
      "model " + id.model + " hw " + id.hardware + " sw " + id.software + "; baud " +
      std::to_string(engine.baud()) + (engine.paced() ? " paced" : "") + "; config " +
      configuration_fields(device.configuration(), device.model_type()) + "; status " + i.status +
      " sats " + std::to_string(i.satellites) + " heating " + or_none(i.heating) + " temperature " +
      or_none(i.temperature) + " lat " + or_none(i.latitude + i.lat_hemisphere) + " lon " +
      or_none(i.longitude + i.lon_hemisphere) + " alt " + or_none(i.altitude) + "; diag " +
      std::to_string(device.diagnostic_code()) + "; journals";
  for (int j = 1; j <= kJournalCount; ++j) {
    text += ' ' + std::to_string(device.journals().records(j).size());
  }
  text += "; offset-ms " + std::to_string(clock.offset_ms) + "; faults " +
          describe_faults(engine.faults());
  return text;
}

}  // namespace tk52::sim

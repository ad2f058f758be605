// The commands that change the running clock. The same table serves the control channel
// ("NAME ARG" lines) and the command line ("--NAME ARG"), so both take the same values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine.h"

namespace tk52::sim {

// What the I/O loop must do after a command; the engine cannot do it alone.
enum class Action { kNone, kQuit, kHangup, kSendErrorReport };

struct CommandResult {
  bool ok = true;
  std::string message;  // an error, or what a query shows
  Action action = Action::kNone;
  int value = 0;  // the hang-up pause in ms, or the error report's code
};

// Settings the engine does not hold: the clock's time offset.
struct ClockSettings {
  std::int64_t offset_ms = 0;
};

CommandResult run_command(Engine& engine, ClockSettings& clock, std::string_view line);

// Whether NAME is a command the command line also takes as "--NAME VALUE".
bool is_start_command(std::string_view name);

// The help of the commands: `as_options` lists the start-up ones as "--NAME ARG". The
// faults have their own list (fault_help).
std::string command_help(bool as_options);

// One line that shows the clock's state, as the "show" command prints it.
std::string describe(Engine& engine, const ClockSettings& clock);

}  // namespace tk52::sim

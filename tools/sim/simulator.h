// The I/O loop: the line, the second ticks, the control sources and the signals, all in one
// poll(), feeding the engine and writing what it offers.
#pragma once

#include <vector>

#include "commands.h"
#include "control_channel.h"
#include "engine.h"
#include "line.h"

namespace tk52::sim {

// Runs until "quit", SIGINT, SIGTERM or SIGHUP; returns the exit status. The line must be
// open.
int run_simulator(Engine& engine, ClockSettings& clock, Line& line,
                  const std::vector<CommandSource*>& sources);

}  // namespace tk52::sim

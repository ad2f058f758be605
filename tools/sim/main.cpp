// tk52sim: a software TK-52 radio clock on a pseudo-terminal or a serial device.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "control_channel.h"
#include "engine.h"
#include "line.h"
#include "options.h"
#include "simulator.h"
#include "tk52_version.h"
#include "transcript.h"

namespace {

using namespace tk52::sim;

constexpr int kDefaultBaud = 115200;

// Exit codes: 0 a normal end, 1 a failure of the system (the line, a file), 2 a usage error.
constexpr int kExitOk = 0;
constexpr int kExitSystem = 1;
constexpr int kExitUsage = 2;

int usage_error(const std::string& message) {
  std::fprintf(stderr, "tk52sim: %s\n(tk52sim --help lists the options)\n", message.c_str());
  return kExitUsage;
}

int system_error(const std::string& what) {
  std::fprintf(stderr, "tk52sim: %s: %s\n", what.c_str(), std::strerror(errno));
  return kExitSystem;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::puts("tk52sim " TK52_VERSION_TEXT);
    return kExitOk;
  }
  Options options;
  std::string error;
  if (!parse_options(args, options, error))
    return usage_error(error);
  if (options.help) {
    std::fputs(usage().c_str(), stdout);
    return kExitOk;
  }

  Identity identity = default_identity(options.model);
  if (options.hardware)
    identity.hardware = *options.hardware;
  if (options.software)
    identity.software = *options.software;
  Engine engine(Device(identity), kDefaultBaud, options.seed);
  ClockSettings clock;
  for (const std::string& command : options.commands) {
    const CommandResult result = run_command(engine, clock, command);
    if (!result.ok)
      return usage_error("--" + result.message);
  }
  engine.set_paced(options.pace);

  Transcript transcript;
  if (!options.transcript.empty()) {
    if (!transcript.open(options.transcript))
      return system_error(options.transcript);
    engine.set_observer(&transcript);
  }

  const std::unique_ptr<Line> line = options.device.empty()
                                         ? make_pty_line(engine.baud(), options.link)
                                         : make_serial_line(options.device, engine.baud());
  if (!line->open()) {
    return system_error(options.device.empty()
                            ? "cannot make the pseudo-terminal" +
                                  (options.link.empty() ? "" : " or the link " + options.link)
                            : options.device);
  }

  CommandSource standard_input(0);
  ControlFifo fifo;
  std::vector<CommandSource*> sources = {&standard_input};
  if (!options.control.empty()) {
    if (!fifo.open(options.control))
      return system_error(options.control);
    sources.push_back(&fifo.source());
  }
  return run_simulator(engine, clock, *line, sources);
}

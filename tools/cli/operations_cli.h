// tk52cli's device commands: each connects as the program's connect operation does, runs the
// program's operation, prints JSON on standard output and the program's message texts on
// standard error, and disconnects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tk52::cli {

struct GlobalOptions {
  std::string port;  // a device path, or COMn on Windows
  int baud = 115200;
  std::string log_path;  // traffic log to append to (Windows-1251), empty for none
};

// Ctrl+C and SIGTERM end a watching command cleanly: the session disconnects and the traffic
// log gets its closing line.
void catch_interrupts();
bool interrupted();

// Runs `command` with its arguments; returns the process exit code. Unknown commands return -1.
int run_device_command(std::string_view command, const std::vector<std::string_view>& args,
                       const GlobalOptions& options);

}  // namespace tk52::cli

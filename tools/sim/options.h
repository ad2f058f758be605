// The command line. Start-up settings are read here; every "--NAME VALUE" that is also a
// control command is kept as that command and run once the clock exists, so both paths check
// values the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tk52::sim {

struct Options {
  std::string model = "TK-52.00";
  std::optional<std::string> hardware;
  std::optional<std::string> software;
  std::string link;        // symlink to the pseudo-terminal's slave
  std::string device;      // a real serial device instead of a pseudo-terminal
  std::string control;     // FIFO for control commands
  std::string transcript;  // file of the traffic
  std::uint32_t seed = 1;  // noise generator
  bool pace = false;
  bool help = false;
  std::vector<std::string> commands;  // "NAME VALUE", in command-line order
};

// Fills `out`, or returns false with a message naming the bad argument.
bool parse_options(const std::vector<std::string_view>& args, Options& out, std::string& error);

// The whole --help text.
std::string usage();

}  // namespace tk52::sim

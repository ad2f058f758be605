// The simulated clock that the test script started: control commands go into its FIFO, and
// its answers come back as lines of its output file.
#pragma once

#include <optional>
#include <string>

namespace gui {

class Simulator {
 public:
  // From TK52_SIM_CONTROL, TK52_SIM_OUTPUT and TK52_TEST_PORT; available() is false without.
  Simulator();
  bool available() const { return !control_.empty() && !output_.empty(); }
  const std::string& port() const { return port_; }

  // Sends one command and waits for its answer; the text after "tk52sim: ok NAME", or nothing
  // on an error or no answer.
  std::optional<std::string> command(const std::string& text);
  bool run(const std::string& text) { return command(text).has_value(); }
  // One field of the clock's state as "show" prints it ("baud", "config", "model"...).
  std::optional<std::string> state(const std::string& field);

 private:
  std::string port_;
  std::string control_;
  std::string output_;
};

}  // namespace gui

// The one driver of tk52sim that every test suite uses. The simulator is either a child of the
// test (natively: its standard input takes the control commands, its standard output is read
// line by line), or one the test script started and mapped to a COM port for the Windows tests
// (its control FIFO and answer file named by TK52_SIM_CONTROL and TK52_SIM_OUTPUT, the port by
// TK52_TEST_PORT). Every wait is bounded and generous.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk52::test {

class Simulator {
 public:
  virtual ~Simulator() = default;

  // A child tk52sim started with `args`; null when it could not be started (or on Windows).
  static std::unique_ptr<Simulator> start(const std::vector<std::string>& args);
  // The simulator the test script started; null when the script named none.
  static std::unique_ptr<Simulator> from_script();
  // The script's simulator when there is one, brought back to its starting state; else a child
  // started with `args`.
  static std::unique_ptr<Simulator> from_script_or_start(const std::vector<std::string>& args);

  // The port the PC side opens: the pseudo-terminal's path, or COMn under Wine.
  const std::string& port() const { return port_; }

  // Sends a control command and returns its answer line ("tk52sim: ok ..." or
  // "tk52sim: error ..."), or "" when no answer came.
  virtual std::string command(const std::string& text) = 0;
  // True when the command was taken.
  bool run(const std::string& text);
  // One field of the clock's state as "show" prints it ("baud", "config", "model"...).
  std::optional<std::string> state(const std::string& field);

  // A child's output: waits until it prints a line starting with `prefix` and returns it, or "".
  // A script's simulator prints to its file; this returns "" for it.
  virtual std::string wait_for_output(const std::string& prefix,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

 protected:
  std::string port_;
};

}  // namespace tk52::test

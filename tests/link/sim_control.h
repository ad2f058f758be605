// The simulator on the other end of the link under test. Natively each test starts its own
// tk52sim; under Wine the test script starts one, maps a COM port to its line and passes
// TK52_TEST_PORT (the port), TK52_SIM_CONTROL (its control FIFO) and TK52_SIM_OUTPUT (the file
// its answers go to).
#pragma once

#include <memory>
#include <string>

namespace tk52::test {

class SimControl {
 public:
  virtual ~SimControl() = default;
  // The port name to open: a device path, or COMn under Wine.
  virtual std::string port() const = 0;
  // Sends a control command and waits (bounded) for its answer; true when it was taken.
  virtual bool command(const std::string& text) = 0;
};

// Null when the simulator cannot be started or reached.
std::unique_ptr<SimControl> start_simulator();

}  // namespace tk52::test

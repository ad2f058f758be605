#include "sim_control.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#ifndef _WIN32
#include "../e2e/sim_process.h"
#endif

namespace tk52::test {
namespace {

#ifndef _WIN32
class ChildSimulator final : public SimControl {
 public:
  ChildSimulator() : process_({"--time-format", "0"}) {}
  bool started() const { return process_.started(); }
  std::string port() const override { return process_.line(); }
  bool command(const std::string& text) override {
    return process_.command(text).rfind("tk52sim: ok", 0) == 0;
  }

 private:
  SimProcess process_;
};
#endif

// A simulator started by the test script, reached through files the script names.
class ScriptSimulator final : public SimControl {
 public:
  ScriptSimulator(std::string port, std::string control, std::string output)
      : port_(std::move(port)), control_(std::move(control)), output_(std::move(output)) {}

  std::string port() const override { return port_; }

  bool command(const std::string& text) override {
    const std::size_t before = answers().size();
    std::FILE* fifo = std::fopen(control_.c_str(), "wb");
    if (fifo == nullptr) return false;
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), fifo);
    std::fclose(fifo);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::vector<std::string> now = answers();
      if (now.size() > before) return now[before].rfind("tk52sim: ok", 0) == 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

 private:
  std::vector<std::string> answers() const {
    std::ifstream file(output_, std::ios::binary);
    std::vector<std::string> found;
    std::string line;
    while (std::getline(file, line)) {
      if (line.rfind("tk52sim: ok", 0) == 0 || line.rfind("tk52sim: error", 0) == 0) {
        found.push_back(line);
      }
    }
    return found;
  }

  std::string port_;
  std::string control_;
  std::string output_;
};

}  // namespace

std::unique_ptr<SimControl> start_simulator() {
  const char* port = std::getenv("TK52_TEST_PORT");
  const char* control = std::getenv("TK52_SIM_CONTROL");
  const char* output = std::getenv("TK52_SIM_OUTPUT");
  if (port != nullptr && control != nullptr && output != nullptr) {
    auto sim = std::make_unique<ScriptSimulator>(port, control, output);
    // One simulator serves the whole run: bring it back to its starting state.
    for (const char* reset : {"clear all", "baud 115200", "time-format 0", "status A"}) {
      if (!sim->command(reset)) return nullptr;
    }
    return sim;
  }
#ifndef _WIN32
  auto child = std::make_unique<ChildSimulator>();
  if (child->started()) return child;
#endif
  return nullptr;
}

}  // namespace tk52::test

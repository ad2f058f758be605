#include "simulator.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace tk52::test {
namespace {

constexpr char kOk[] = "tk52sim: ok";
constexpr char kError[] = "tk52sim: error";

bool starts_with(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// A simulator started by the test script, reached through the files the script names.
class ScriptSimulator final : public Simulator {
 public:
  ScriptSimulator(std::string port, std::string control, std::string output)
      : control_(std::move(control)), output_(std::move(output)) {
    port_ = std::move(port);
  }

  std::string command(const std::string& text) override {
    const std::size_t before = answers().size();
    std::FILE* fifo = std::fopen(control_.c_str(), "wb");
    if (fifo == nullptr)
      return {};
    const std::string line = text + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), fifo) == line.size();
    if (std::fclose(fifo) != 0 || !written)
      return {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::vector<std::string> now = answers();
      if (now.size() > before)
        return now[before];
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {};
  }

 private:
  // Every answer line so far (the file also holds the simulator's other output).
  std::vector<std::string> answers() const {
    std::ifstream file(output_, std::ios::binary);
    std::vector<std::string> found;
    std::string line;
    while (std::getline(file, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      if (starts_with(line, kOk) || starts_with(line, kError))
        found.push_back(line);
    }
    return found;
  }

  std::string control_;
  std::string output_;
};

}  // namespace

bool Simulator::run(const std::string& text) {
  return starts_with(command(text), kOk);
}

std::optional<std::string> Simulator::state(const std::string& field) {
  // "tk52sim: ok show: model TK-52.00 hw 01 sw V1.23; baud 115200; config 2,1,2,0; ..."
  const std::string answer = command("show");
  if (!starts_with(answer, kOk))
    return std::nullopt;
  const auto colon = answer.find(": ", sizeof kOk - 1);
  if (colon == std::string::npos)
    return std::nullopt;
  const std::string text = " " + answer.substr(colon + 2);
  const std::string key = " " + field + " ";
  const auto at = text.find(key);
  if (at == std::string::npos)
    return std::nullopt;
  const auto begin = at + key.size();
  const auto end = text.find_first_of(" ;", begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string Simulator::wait_for_output(const std::string&, std::chrono::milliseconds) {
  return {};
}

std::unique_ptr<Simulator> Simulator::from_script() {
  const char* port = std::getenv("TK52_TEST_PORT");
  const char* control = std::getenv("TK52_SIM_CONTROL");
  const char* output = std::getenv("TK52_SIM_OUTPUT");
  if (port == nullptr || control == nullptr || output == nullptr)
    return nullptr;
  return std::make_unique<ScriptSimulator>(port, control, output);
}

std::unique_ptr<Simulator> Simulator::from_script_or_start(const std::vector<std::string>& args) {
  if (auto sim = from_script()) {
    // One simulator serves the whole run: bring it back to its starting state.
    for (const char* reset : {"clear all", "baud 115200", "time-format 0", "status A"}) {
      if (!sim->run(reset))
        return nullptr;
    }
    return sim;
  }
  return start(args);
}

}  // namespace tk52::test

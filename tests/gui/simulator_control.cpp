#include "simulator_control.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace gui {
namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

constexpr char kOk[] = "tk52sim: ok";
constexpr char kError[] = "tk52sim: error";

std::vector<std::string> answers(const std::string& output) {
  std::ifstream file(output, std::ios::binary);
  std::vector<std::string> found;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.rfind(kOk, 0) == 0 || line.rfind(kError, 0) == 0)
      found.push_back(line);
  }
  return found;
}

}  // namespace

Simulator::Simulator()
    : port_(variable("TK52_TEST_PORT")),
      control_(variable("TK52_SIM_CONTROL")),
      output_(variable("TK52_SIM_OUTPUT")) {}

std::optional<std::string> Simulator::command(const std::string& text) {
  if (!available())
    return std::nullopt;
  const std::size_t before = answers(output_).size();
  std::FILE* fifo = std::fopen(control_.c_str(), "wb");
  if (fifo == nullptr)
    return std::nullopt;
  const std::string line = text + "\n";
  std::fwrite(line.data(), 1, line.size(), fifo);
  std::fclose(fifo);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::vector<std::string> now = answers(output_);
    if (now.size() > before) {
      const std::string& reply = now[before];
      if (reply.rfind(kOk, 0) != 0)
        return std::nullopt;
      const auto colon = reply.find(": ", sizeof kOk - 1);
      return colon == std::string::npos ? std::string() : reply.substr(colon + 2);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

std::optional<std::string> Simulator::state(const std::string& field) {
  // "model TK-52.00 hw 01 sw V1.23; baud 115200; config 2,1,2,0; status A sats 8 ..."
  const auto shown = command("show");
  if (!shown)
    return std::nullopt;
  const std::string text = " " + *shown;
  const std::string key = " " + field + " ";
  const auto at = text.find(key);
  if (at == std::string::npos)
    return std::nullopt;
  const auto begin = at + key.size();
  const auto end = text.find_first_of(" ;", begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace gui

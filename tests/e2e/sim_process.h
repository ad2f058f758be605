// Runs tk52sim as a child process for a test: its standard input takes control commands, its
// standard output is read line by line. Every wait is bounded and generous.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tk52::test {

class SimProcess {
 public:
  // Starts tk52sim with `args` and waits for the line it announces.
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool started() const { return !line_.empty(); }
  // The pseudo-terminal the PC side opens.
  const std::string& line() const { return line_; }

  // Sends a control command and returns its answer line ("tk52sim: ok ..." or an error).
  std::string command(const std::string& text);

  // Waits until the simulator prints a line starting with `prefix`; returns it, or "".
  std::string wait_for_output(const std::string& prefix,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  void read_output();

  pid_t pid_ = -1;
  int stdin_fd_ = -1;
  int stdout_fd_ = -1;
  std::string line_;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> output_;
  std::size_t consumed_ = 0;
  bool closed_ = false;
};

}  // namespace tk52::test

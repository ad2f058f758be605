// Runs the real tk52cli as a child process: its standard output is read line by line as it
// comes, its standard error kept whole, and its exit code waited for with a bound.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tk52::test {

struct CliOptions {
  // Standard output goes to this file instead of the pipe ("" for the pipe).
  std::string stdout_path;
  bool stdout_closed = false;
  // Files grow no larger than this many bytes in the child, as on a disk that is full.
  std::optional<std::uint64_t> file_size_limit;
};
// The exit code of a child that could not be given its own resolv.conf.
inline constexpr int kNoPrivateResolver = 125;

class CliProcess {
 public:
  // With `resolv_conf`, the child sees that file as /etc/resolv.conf (through a mount namespace
  // of its own, which takes root); when that cannot be made it exits with kNoPrivateResolver.
  CliProcess(const std::vector<std::string>& args, const CliOptions& options = {},
             const std::string& resolv_conf = "");
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Waits until a line of standard output has come; false when none came within `bound`.
  bool wait_for_line(std::chrono::milliseconds bound);
  // Waits for the exit code; nothing when the process did not end within `bound` (it is then
  // killed).
  std::optional<int> wait_for_exit(std::chrono::milliseconds bound);

  // Sends `signal` to the process (SIGINT: as Ctrl-C at a terminal).
  void send_signal(int signal);

  std::vector<std::string> out_lines();
  std::string err();

 private:
  void read_stream(int fd, bool lines);

  pid_t pid_ = -1;
  std::thread out_reader_;
  std::thread err_reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> out_;
  std::string err_;
  std::optional<int> exit_code_;
};

}  // namespace tk52::test

// Where control commands come from: standard input, and a FIFO that tests can write to while
// standard output carries the line's path.
#pragma once

#include <string>
#include <vector>

namespace tk52::sim {

// Command lines from a descriptor, read only when poll() says there is something to read.
class CommandSource {
 public:
  explicit CommandSource(int fd) : fd_(fd) {}

  int fd() const { return fd_; }
  // The complete lines that have arrived. At the end of the input the source stops (fd -1):
  // the clock goes on without it.
  std::vector<std::string> read_lines();

 private:
  int fd_;
  std::string pending_;
};

// A FIFO at a path, made if missing and removed at the end. It holds a writer of its own, so
// the reading side never sees the end of input when a writer closes.
class ControlFifo {
 public:
  ControlFifo() = default;
  ControlFifo(const ControlFifo&) = delete;
  ControlFifo& operator=(const ControlFifo&) = delete;
  ~ControlFifo();

  // False with errno set when the FIFO cannot be made or opened.
  bool open(const std::string& path);
  CommandSource& source() { return source_; }

 private:
  std::string path_;
  bool created_ = false;
  int keeper_ = -1;
  CommandSource source_{-1};
};

}  // namespace tk52::sim

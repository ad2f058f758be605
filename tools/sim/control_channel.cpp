#include "control_channel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace tk52::sim {
namespace {

constexpr std::size_t kLongestLine = 4096;

}  // namespace

std::vector<std::string> CommandSource::read_lines() {
  std::vector<std::string> lines;
  if (fd_ < 0)
    return lines;
  std::array<char, 4096> buffer{};
  const ssize_t size = ::read(fd_, buffer.data(), buffer.size());
  if (size == 0 || (size < 0 && errno != EAGAIN && errno != EINTR)) {
    fd_ = -1;
    return lines;
  }
  if (size < 0)
    return lines;
  for (char c : std::string_view(buffer.data(), static_cast<std::size_t>(size))) {
    if (c == '\n') {
      lines.push_back(std::move(pending_));
      pending_.clear();
    } else if (pending_.size() < kLongestLine) {
      pending_ += c;
    }
  }
  return lines;
}

ControlFifo::~ControlFifo() {
  if (source_.fd() >= 0)
    close(source_.fd());
  if (keeper_ >= 0)
    close(keeper_);
  if (created_)
    unlink(path_.c_str());
}

bool ControlFifo::open(const std::string& path) {
  path_ = path;
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISFIFO(st.st_mode)) {
      errno = EEXIST;
      return false;
    }
  } else if (mkfifo(path.c_str(), 0600) != 0) {
    return false;
  }
  created_ = true;
  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (reader < 0)
    return false;
  source_ = CommandSource(reader);
  keeper_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  return keeper_ >= 0;
}

}  // namespace tk52::sim

#include "cli_process.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tk52::test {

CliProcess::CliProcess(const std::vector<std::string>& args, const CliOptions& options,
                       const std::string& resolv_conf) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
    return;
  std::vector<std::string> argv_text = {TK52CLI_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    if (options.stdout_closed) {
      ::close(STDOUT_FILENO);
    } else if (!options.stdout_path.empty()) {
      const int fd = ::open(options.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, STDOUT_FILENO);
    } else {
      ::dup2(out[1], STDOUT_FILENO);
    }
    ::dup2(err[1], STDERR_FILENO);
    if (options.file_size_limit) {
      ::signal(SIGXFSZ, SIG_IGN);  // inherited across exec: a write fails instead
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = static_cast<rlim_t>(*options.file_size_limit);
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (!resolv_conf.empty()) {
      // A mount namespace of the child's own, private, so the host's file stays as it is.
      if (::unshare(CLONE_NEWNS) != 0 ||
          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount(resolv_conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        ::_exit(kNoPrivateResolver);
      }
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  out_reader_ = std::thread([this, fd = out[0]] { read_stream(fd, true); });
  err_reader_ = std::thread([this, fd = err[0]] { read_stream(fd, false); });
}

CliProcess::~CliProcess() {
  if (pid_ > 0 && !exit_code_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_reader_.joinable())
    out_reader_.join();
  if (err_reader_.joinable())
    err_reader_.join();
}

void CliProcess::read_stream(int fd, bool lines) {
  std::string pending;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0)
      break;
    std::lock_guard lock(mutex_);
    if (!lines) {
      err_.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end = 0;
    while ((end = pending.find('\n')) != std::string::npos) {
      out_.push_back(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
    changed_.notify_all();
  }
  ::close(fd);
}

bool CliProcess::wait_for_line(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, bound, [this] { return !out_.empty(); });
}

void CliProcess::send_signal(int signal) {
  if (pid_ > 0 && !exit_code_)
    ::kill(pid_, signal);
}

std::optional<int> CliProcess::wait_for_exit(std::chrono::milliseconds bound) {
  if (exit_code_ || pid_ <= 0)
    return exit_code_;
  const auto deadline = std::chrono::steady_clock::now() + bound;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline)
      return std::nullopt;
    // The child has no descriptor to wait on here; a short poll of its state is the bound.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (out_reader_.joinable())
    out_reader_.join();
  if (err_reader_.joinable())
    err_reader_.join();
  return exit_code_;
}

std::vector<std::string> CliProcess::out_lines() {
  std::lock_guard lock(mutex_);
  return out_;
}

std::string CliProcess::err() {
  std::lock_guard lock(mutex_);
  return err_;
}

}  // namespace tk52::test

// A tk52sim started as a child of the test.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "simulator.h"

namespace tk52::test {
namespace {

class ChildSimulator final : public Simulator {
 public:
  explicit ChildSimulator(const std::vector<std::string>& args);
  ~ChildSimulator() override;
  ChildSimulator(const ChildSimulator&) = delete;
  ChildSimulator& operator=(const ChildSimulator&) = delete;

  bool started() const { return !port_.empty(); }
  std::string command(const std::string& text) override;
  std::string wait_for_output(const std::string& prefix,
                              std::chrono::milliseconds timeout) override;

 private:
  void read_output();

  pid_t pid_ = -1;
  int stdin_fd_ = -1;
  int stdout_fd_ = -1;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> output_;
  std::size_t consumed_ = 0;
  bool closed_ = false;
};

ChildSimulator::ChildSimulator(const std::vector<std::string>& args) {
  // A simulator that died must fail the test, not kill it through a write to its input.
  ::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
    return;
  std::vector<std::string> argv_text = {TK52SIM_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  stdin_fd_ = in[1];
  stdout_fd_ = out[0];
  reader_ = std::thread([this] { read_output(); });
  const std::string announced = wait_for_output("tk52sim: line ", std::chrono::seconds(10));
  if (!announced.empty())
    port_ = announced.substr(std::strlen("tk52sim: line "));
}

ChildSimulator::~ChildSimulator() {
  if (pid_ > 0) {
    const char quit[] = "quit\n";
    [[maybe_unused]] const ssize_t n = ::write(stdin_fd_, quit, sizeof quit - 1);
    // A simulator that does not quit within the bound is stopped the hard way.
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  if (stdin_fd_ >= 0)
    ::close(stdin_fd_);
  if (reader_.joinable())
    reader_.join();
  if (stdout_fd_ >= 0)
    ::close(stdout_fd_);
}

void ChildSimulator::read_output() {
  std::string pending;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(stdout_fd_, buffer, sizeof buffer);
    if (n <= 0)
      break;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end = 0;
    while ((end = pending.find('\n')) != std::string::npos) {
      {
        std::lock_guard lock(mutex_);
        output_.push_back(pending.substr(0, end));
      }
      pending.erase(0, end + 1);
      changed_.notify_all();
    }
  }
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

std::string ChildSimulator::wait_for_output(const std::string& prefix,
                                            std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  std::string found;
  changed_.wait_for(lock, timeout, [&] {
    for (; consumed_ < output_.size(); ++consumed_) {
      if (output_[consumed_].rfind(prefix, 0) == 0) {
        found = output_[consumed_++];
        return true;
      }
    }
    return closed_;
  });
  return found;
}

std::string ChildSimulator::command(const std::string& text) {
  const std::string line = text + "\n";
  if (::write(stdin_fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    return {};
  for (;;) {
    const std::string answer = wait_for_output("tk52sim: ", std::chrono::seconds(10));
    if (answer.empty() || answer.rfind("tk52sim: ok", 0) == 0 ||
        answer.rfind("tk52sim: error", 0) == 0) {
      return answer;
    }
  }
}

}  // namespace

std::unique_ptr<Simulator> Simulator::start(const std::vector<std::string>& args) {
  auto child = std::make_unique<ChildSimulator>(args);
  if (!child->started())
    return nullptr;
  return child;
}

}  // namespace tk52::test

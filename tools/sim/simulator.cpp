#include "simulator.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace tk52::sim {
namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
// How often a line without a PC is looked at again when the line cannot say when one comes: a
// hung-up master cannot be polled.
constexpr Micros kAttachProbe = 50'000;
constexpr Micros kReopenRetry = 1'000'000;

Micros monotonic_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<Micros>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

std::int64_t floor_div(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

void say(const std::string& text) {
  std::printf("tk52sim: %s\n", text.c_str());
  std::fflush(stdout);
}

// Fires at each whole second of the clock's time, which is the host's UTC plus the offset. An
// absolute deadline keeps the "$" on the boundary however long the loop took.
class SecondTimer {
 public:
  SecondTimer() : fd_(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {}
  SecondTimer(const SecondTimer&) = delete;
  SecondTimer& operator=(const SecondTimer&) = delete;
  ~SecondTimer() {
    if (fd_ >= 0)
      close(fd_);
  }

  int fd() const { return fd_; }

  bool arm(std::int64_t offset_ms) {
    offset_ms_ = offset_ms;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t offset_ns = offset_ms * 1'000'000;
    const std::int64_t clock_ns = now.tv_sec * kNanosPerSecond + now.tv_nsec + offset_ns;
    second_ = floor_div(clock_ns, kNanosPerSecond) + 1;
    const std::int64_t deadline = second_ * kNanosPerSecond - offset_ns;
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(floor_div(deadline, kNanosPerSecond));
    when.it_value.tv_nsec = static_cast<long>(deadline - when.it_value.tv_sec * kNanosPerSecond);
    // Cancelled when the host clock is set, so a jump never strands the next deadline.
    return timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr) == 0;
  }

  // The clock's second that has just begun, or none when the host clock was set instead.
  std::optional<std::int64_t> expire() {
    std::uint64_t expirations = 0;
    const bool fired = read(fd_, &expirations, sizeof expirations) > 0;
    const std::int64_t second = second_;
    arm(offset_ms_);
    if (!fired)
      return std::nullopt;
    return second;
  }

  std::int64_t offset_ms() const { return offset_ms_; }

 private:
  int fd_;
  std::int64_t offset_ms_ = 0;
  std::int64_t second_ = 0;
};

class SignalChannel {
 public:
  SignalChannel() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    // A shell starts background jobs with SIGINT ignored, and an ignored signal never reaches
    // the signalfd; blocked, the default action cannot strike.
    for (int number : {SIGINT, SIGTERM, SIGHUP})
      signal(number, SIG_DFL);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    // A reader of standard output that goes away must not end the clock.
    signal(SIGPIPE, SIG_IGN);
  }
  SignalChannel(const SignalChannel&) = delete;
  SignalChannel& operator=(const SignalChannel&) = delete;
  ~SignalChannel() {
    if (fd_ >= 0)
      close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

class Loop {
 public:
  Loop(Engine& engine, ClockSettings& clock, Line& line, const std::vector<CommandSource*>& sources)
      : engine_(engine), clock_(clock), line_(line), sources_(sources), baud_(engine.baud()) {}

  int run() {
    if (signals_.fd() < 0 || timer_.fd() < 0 || !timer_.arm(clock_.offset_ms)) {
      std::fprintf(stderr, "tk52sim: cannot set up the loop: %s\n", std::strerror(errno));
      return 1;
    }
    say("line " + line_.path());
    while (!quit_)
      step();
    return 0;
  }

 private:
  void step() {
    const Micros now = monotonic_now();
    if (line_.fd() < 0 && now >= reopen_at_)
      reopen(now);
    const bool attached = line_.attached();
    if (attached && !was_attached_)
      engine_.line_opened();
    was_attached_ = attached;
    const bool blocked = send(now, attached);

    std::vector<pollfd> fds = {{signals_.fd(), POLLIN, 0}, {timer_.fd(), POLLIN, 0}};
    const std::size_t line_slot = fds.size();
    fds.push_back(
        {attached ? line_.fd() : -1, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0});
    // Without a PC, the line says when one may have come.
    const std::size_t arrival_slot = fds.size();
    fds.push_back({attached ? -1 : line_.arrival_fd(), POLLIN, 0});
    const std::size_t first_source = fds.size();
    for (CommandSource* source : sources_)
      fds.push_back({source->fd(), POLLIN, 0});

    timespec timeout{};
    const std::optional<Micros> wake = next_wake(now, attached, blocked);
    if (wake) {
      const Micros wait = std::max<Micros>(*wake - now, 0);
      timeout.tv_sec = static_cast<time_t>(wait / 1'000'000);
      timeout.tv_nsec = static_cast<long>(wait % 1'000'000) * 1000;
    }
    if (ppoll(fds.data(), fds.size(), wake ? &timeout : nullptr, nullptr) < 0)
      return;

    if (fds[0].revents != 0)
      quit_ = true;
    if (fds[1].revents != 0) {
      if (const std::optional<std::int64_t> second = timer_.expire()) {
        engine_.second_boundary(*second, monotonic_now());
      }
    }
    if ((fds[line_slot].revents & POLLIN) != 0)
      receive();
    if (fds[arrival_slot].revents != 0)
      line_.forget_arrivals();
    for (std::size_t i = 0; i < sources_.size(); ++i) {
      if (fds[first_source + i].revents == 0)
        continue;
      for (const std::string& line : sources_[i]->read_lines())
        command(line);
    }
    follow_settings();
  }

  std::optional<Micros> next_wake(Micros now, bool attached, bool blocked) const {
    std::optional<Micros> wake = blocked ? std::nullopt : engine_.wake_time();
    const auto sooner = [&wake](Micros at) { wake = wake ? std::min(*wake, at) : at; };
    if (line_.fd() < 0) {
      sooner(reopen_at_);
    } else if (!attached && line_.arrival_fd() < 0) {
      sooner(now + kAttachProbe);
    }
    return wake;
  }

  // Writes what is due. Without a PC on the line it goes nowhere, as on a real cable. Returns
  // true when the line would not take more.
  bool send(Micros now, bool attached) {
    for (;;) {
      const std::string bytes = engine_.ready(now, line_.peer_baud());
      if (bytes.empty())
        return false;
      std::size_t written = bytes.size();
      if (attached) {
        const ssize_t result = write(line_.fd(), bytes.data(), bytes.size());
        if (result < 0 && errno == EAGAIN)
          return true;
        if (result > 0)
          written = static_cast<std::size_t>(result);
      }
      engine_.consume(written, now);
      follow_settings();
    }
  }

  void receive() {
    std::array<char, 4096> buffer{};
    const ssize_t size = read(line_.fd(), buffer.data(), buffer.size());
    if (size > 0) {
      engine_.receive(std::string_view(buffer.data(), static_cast<std::size_t>(size)),
                      monotonic_now(), line_.peer_baud());
    } else if (line_.gone_on_read_error() && (size == 0 || (errno != EAGAIN && errno != EINTR))) {
      hang_up(kReopenRetry);
    }
  }

  void command(const std::string& line) {
    if (line.find_first_not_of(" \t\r") == std::string::npos)
      return;
    const CommandResult result = run_command(engine_, clock_, line);
    const std::string name = line.substr(0, line.find_first_of(" \t\r"));
    if (!result.ok) {
      say("error: " + result.message);
      return;
    }
    say("ok " + name + (result.message.empty() ? "" : ": " + result.message));
    switch (result.action) {
      case Action::kQuit:
        quit_ = true;
        break;
      case Action::kHangup:
        hang_up(Micros{result.value} * 1000);
        break;
      case Action::kSendErrorReport:
        engine_.send_error_report(result.value, monotonic_now());
        break;
      case Action::kNone:
        break;
    }
  }

  void hang_up(Micros pause) {
    line_.close();
    engine_.drop_output();
    reopen_at_ = monotonic_now() + pause;
  }

  void reopen(Micros now) {
    if (line_.open()) {
      say("line " + line_.path());
    } else {
      reopen_at_ = now + kReopenRetry;
    }
  }

  // Commands and replies change the speed and the offset; the line and the timer follow.
  void follow_settings() {
    if (engine_.baud() != baud_) {
      baud_ = engine_.baud();
      line_.set_baud(baud_);
    }
    if (clock_.offset_ms != timer_.offset_ms())
      timer_.arm(clock_.offset_ms);
  }

  Engine& engine_;
  ClockSettings& clock_;
  Line& line_;
  const std::vector<CommandSource*>& sources_;
  SignalChannel signals_;
  SecondTimer timer_;
  int baud_;
  Micros reopen_at_ = 0;
  bool was_attached_ = false;
  bool quit_ = false;
};

}  // namespace

int run_simulator(Engine& engine, ClockSettings& clock, Line& line,
                  const std::vector<CommandSource*>& sources) {
  Loop loop(engine, clock, line, sources);
  return loop.run();
}

}  // namespace tk52::sim

// The real tk52sim on a real pseudo-terminal, driven as the configurator drives a clock.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/requests.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(10);  // generous: sanitizers slow everything

std::string temp_path(const std::string& name) {
  return ::testing::TempDir() + "tk52sim_" + std::to_string(getpid()) + "_" + name;
}

// Reads from `fd` until `done(text)` holds or the patience runs out; returns what came.
std::string read_until(int fd, const std::function<bool(const std::string&)>& done,
                       Clock::duration patience = kPatience) {
  std::string text;
  const auto deadline = Clock::now() + patience;
  while (!done(text) && Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0)
      continue;
    char buffer[1024];
    const ssize_t size = read(fd, buffer, sizeof buffer);
    if (size <= 0)
      break;
    text.append(buffer, static_cast<std::size_t>(size));
  }
  return text;
}

auto contains(const std::string& part) {
  return [part](const std::string& text) { return text.find(part) != std::string::npos; };
}

class Simulator {
 public:
  explicit Simulator(std::vector<std::string> args) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    args.insert(args.begin(), TK52SIM_PATH);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      std::vector<char*> argv;
      for (std::string& arg : args)
        argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    stdout_ = out[0];
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  ~Simulator() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(stdout_);
  }

  // The next "tk52sim: line PATH" announcement.
  std::string line_path() {
    const std::string text = next_line_containing("tk52sim: line ");
    return text.substr(text.find("line ") + 5);
  }

  std::string next_line_containing(const std::string& part) {
    for (;;) {
      const std::size_t end = output_.find('\n');
      if (end == std::string::npos) {
        const std::string more = read_until(stdout_, contains("\n"));
        if (more.empty())
          return {};
        output_ += more;
        continue;
      }
      const std::string line = output_.substr(0, end);
      output_.erase(0, end + 1);
      if (line.find(part) != std::string::npos)
        return line;
    }
  }

  // Ends it with a signal and returns its exit status.
  int terminate(int signal_number) {
    kill(pid_, signal_number);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string output_;
};

// The PC's end: the slave, raw, at a speed.
class Port {
 public:
  Port(const std::string& path, speed_t speed) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    EXPECT_GE(fd_, 0) << path;
    set_speed(speed);
  }
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;
  ~Port() {
    if (fd_ >= 0)
      close(fd_);
  }

  void set_speed(speed_t speed) {
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    tcsetattr(fd_, TCSANOW, &settings);
  }

  void send(std::string_view body) {
    const tk52::Request request = tk52::frame_request(body);
    ASSERT_EQ(write(fd_, request.data(), request.size()), static_cast<ssize_t>(request.size()));
  }

  std::string read_until(const std::function<bool(const std::string&)>& done,
                         Clock::duration patience = kPatience) {
    return ::read_until(fd_, done, patience);
  }

  int fd() const { return fd_; }

 private:
  int fd_;
};

void command(const std::string& fifo, const std::string& line) {
  std::ofstream(fifo) << line << '\n';
}

TEST(PtyEndToEnd, AnswersAtItsSpeedAndGarblesAtAnyOther) {
  Simulator sim({"--baud", "19200"});
  Port port(sim.line_path(), B19200);
  port.send("PKEXI");
  EXPECT_NE(port.read_until(contains("$PKEXI,TK-52.00,01,V1.23*31\r\n")).find("$PKEXI,"),
            std::string::npos);

  port.set_speed(B115200);
  port.send("PKEXI");
  // Everything now arrives garbled, the time sentences included: bytes, but never a "$".
  const std::string garbage =
      port.read_until([](const std::string& text) { return text.size() >= 80; });
  EXPECT_GE(garbage.size(), 80u);
  EXPECT_EQ(garbage.find('$'), std::string::npos);
}

TEST(PtyEndToEnd, SpeedChangeRepliesAtTheOldSpeedThenSwitches) {
  Simulator sim({"--time-format", "0"});
  Port port(sim.line_path(), B115200);
  port.send("PKEXR,3");
  EXPECT_NE(port.read_until(contains("$PKEXR,3,A*")).find("$PKEXR,3,A*"), std::string::npos);
  port.set_speed(B9600);
  port.send("PKEXR,3");
  EXPECT_NE(port.read_until(contains("$PKEXR,3,A*")).find("$PKEXR,3,A*"), std::string::npos);
  port.send("PKEXI");
  EXPECT_NE(port.read_until(contains("$PKEXI,")).find("$PKEXI,"), std::string::npos);
}

TEST(PtyEndToEnd, TheTimeSentenceLeavesAtTheSecondBoundary) {
  Simulator sim({"--offset-ms", "-250"});
  Port port(sim.line_path(), B115200);
  for (int i = 0; i < 2; ++i) {
    std::string sentence = port.read_until(contains("$"));
    timespec arrival{};
    clock_gettime(CLOCK_REALTIME, &arrival);
    if (sentence.find("\r\n", sentence.find('$')) == std::string::npos) {
      sentence += port.read_until(contains("\r\n"));
    }
    // Arrival is 250 ms after the host's second, since the clock runs 250 ms behind.
    const long ms = arrival.tv_nsec / 1'000'000;
    EXPECT_GE(ms, 250) << sentence;
    EXPECT_LT(ms, 450) << sentence;
    std::tm tm{};
    gmtime_r(&arrival.tv_sec, &tm);
    char expected[16];
    std::strftime(expected, sizeof expected, "%H%M%S.00", &tm);
    EXPECT_NE(sentence.find(expected), std::string::npos) << sentence;
  }
}

TEST(PtyEndToEnd, ControlFifoSwitchesFaultsAndHangsUp) {
  const std::string fifo = temp_path("control");
  const std::string link = temp_path("link");
  Simulator sim({"--control", fifo, "--link", link, "--time-format", "0"});
  sim.line_path();
  {
    Port port(link, B115200);
    command(fifo, "fault ident-only");
    sim.next_line_containing("tk52sim: ok fault");
    port.send("PKEXC");
    port.send("PKEXI");
    const std::string replies = port.read_until(contains("$PKEXI,"));
    EXPECT_EQ(replies.find("$PKEXC"), std::string::npos) << replies;

    command(fifo, "clear all");
    sim.next_line_containing("tk52sim: ok clear");
    port.send("PKEXC");
    EXPECT_NE(port.read_until(contains("$PKEXC,2,1,2,0*")).find("$PKEXC"), std::string::npos);

    command(fifo, "hangup 100");
    pollfd p{port.fd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 10000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0) << "the PC sees the line go";
  }
  const std::string second = sim.line_path();
  EXPECT_FALSE(second.empty());
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), second) << "the link follows the new line";
  Port port(link, B115200);
  port.send("PKEXD");
  EXPECT_NE(port.read_until(contains("$PKEXD,OK*")).find("$PKEXD,OK*"), std::string::npos);

  EXPECT_EQ(sim.terminate(SIGTERM), 0);
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "link removed";
  EXPECT_NE(lstat(fifo.c_str(), &st), 0) << "FIFO removed";
}

TEST(PtyEndToEnd, OutlivesThePcClosingTheLineWithoutSpinning) {
  Simulator sim({});
  const std::string path = sim.line_path();
  for (int round = 0; round < 2; ++round) {
    Port port(path, B115200);
    port.send("PKEXI");
    EXPECT_NE(port.read_until(contains("$PKEXI,")).find("$PKEXI,"), std::string::npos) << round;
  }
  // With nobody on the line the simulator must idle: over about a second of wall time it may
  // use only a small part of a CPU.
  auto cpu_ticks = [&sim] {
    std::ifstream stat("/proc/" + std::to_string(sim.pid()) + "/stat");
    std::string field;
    long ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i) {
      if (i == 14 || i == 15)
        ticks += std::stol(field);
    }
    return ticks;
  };
  const long before = cpu_ticks();
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the window measured, not a wait
  EXPECT_LT(cpu_ticks() - before, sysconf(_SC_CLK_TCK) / 2);
}

TEST(PtyEndToEnd, BadOptionsExitWithStatus2) {
  for (const char* option : {"--baud=1234", "--frobnicate", "--fault=bogus"}) {
    const std::string command = std::string(TK52SIM_PATH) + " " + option + " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << option;
  }
}

}  // namespace

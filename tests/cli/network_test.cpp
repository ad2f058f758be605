// tk52cli working a clock behind a serial device server: tk52sim's pseudo-terminal served by a
// real ser2net, raw (tcp://) and with RFC 2217 (rfc2217://), and the network's faults: a
// connection dropped mid-exchange, a port nobody listens on, a host that never answers, a name
// server that never answers, and Telnet servers that will not set the line's speed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_common.h"
#include "cli_process.h"
#include "link/network_port.h"
#include "simulator.h"

extern char** environ;

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using test::CliProcess;

constexpr std::chrono::seconds kCommandBound{60};

// A local TCP port free at the time of asking.
int free_port() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(s);
  return ntohs(a.sin_port);
}

// Whether a local socket listens on `port`, seen in the kernel's table: a probing connection
// would make ser2net open the device and hold it for a moment.
bool listening(int port) {
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, ":%04X", port);
  std::ifstream table("/proc/net/tcp");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == wanted)
      return true;
  }
  return false;
}

// A private ser2net serving one device on two local ports: raw TCP and Telnet with RFC 2217.
class Ser2net {
 public:
  explicit Ser2net(const std::string& device) : raw_(free_port()), telnet_(free_port()) {
    const std::string line = "  connector: serialdev," + device + ",115200n81,local";
    std::vector<std::string> args = {
        "ser2net",
        "-n",
        "-u",
        "-Y",
        "connection: &raw",
        "-Y",
        "  accepter: tcp,127.0.0.1," + std::to_string(raw_),
        "-Y",
        line,
        "-Y",
        "connection: &telnet",
        "-Y",
        "  accepter: telnet(rfc2217),tcp,127.0.0.1," + std::to_string(telnet_),
        "-Y",
        line};
    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid_, "ser2net", nullptr, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
  }
  ~Ser2net() { stop(SIGTERM); }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  // True once both ports take connections (ser2net is up), within a bound.
  bool ready() const {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
      if (pid_ > 0 && listening(raw_) && listening(telnet_))
        return true;
      std::this_thread::sleep_for(20ms);  // polling for the server to listen, bounded above
    }
    return false;
  }
  // Sends `signal` and waits for ser2net to end. Its orderly shut-down on SIGTERM can stall
  // (seen once in a few hundred runs, ser2net idle in epoll for good), so after a bound it is
  // killed outright.
  void stop(int signal) {
    if (pid_ <= 0)
      return;
    ::kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(10ms);  // polling for the child's end, bounded above
    }
    pid_ = -1;
  }
  std::string raw() const { return "tcp://127.0.0.1:" + std::to_string(raw_); }
  std::string rfc2217() const { return "rfc2217://127.0.0.1:" + std::to_string(telnet_); }

 private:
  int raw_;
  int telnet_;
  pid_t pid_ = -1;
};

// A Telnet server of the test's own on loopback in front of the simulator's line, for what
// ser2net never does: refuse COM Port Control, take it and never answer a speed request, or
// close each connection as soon as it is made. The line stays at the speed it is given.
class FakeTelnetServer {
 public:
  enum class Kind { kRefusesComPort, kIgnoresSpeed, kClosesAtOnce };

  FakeTelnetServer(Kind kind, const std::string& device, speed_t speed) : kind_(kind) {
    if (!device.empty()) {
      device_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      termios tio{};
      ::tcgetattr(device_, &tio);
      ::cfmakeraw(&tio);
      ::cfsetispeed(&tio, speed);
      ::cfsetospeed(&tio, speed);
      ::tcsetattr(device_, TCSANOW, &tio);
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 4);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    if (::pipe2(wake_, O_CLOEXEC) == 0)
      thread_ = std::thread([this] { serve(); });
  }
  ~FakeTelnetServer() {
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], "x", 1);
    if (thread_.joinable())
      thread_.join();
    for (const int fd : {listener_, client_, device_, wake_[0], wake_[1]})
      ::close(fd);
  }
  FakeTelnetServer(const FakeTelnetServer&) = delete;
  FakeTelnetServer& operator=(const FakeTelnetServer&) = delete;

  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  // The data bytes that went from the client to the line, Telnet commands left out.
  std::size_t line_bytes() {
    std::lock_guard lock(mutex_);
    return line_bytes_;
  }

 private:
  void serve() {
    TelnetLink from_client;
    for (;;) {
      pollfd fds[4] = {{wake_[0], POLLIN, 0},
                       {listener_, POLLIN, 0},
                       {client_, POLLIN, 0},
                       {device_, POLLIN, 0}};
      if (::poll(fds, 4, -1) < 0 || fds[0].revents != 0)
        return;
      if ((fds[1].revents & POLLIN) != 0) {
        const int accepted = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (kind_ == Kind::kClosesAtOnce) {
          ::close(accepted);
        } else {
          ::close(client_);
          client_ = accepted;
          from_client = TelnetLink();
          // DONT and WONT COM Port Control; or DO it and then keep silent about the speed.
          const std::string opening =
              kind_ == Kind::kRefusesComPort ? "\xFF\xFE\x2C\xFF\xFC\x2C" : "\xFF\xFD\x2C";
          ::send(client_, opening.data(), opening.size(), MSG_NOSIGNAL);
        }
      }
      char buffer[512];
      if (fds[2].revents != 0) {
        const ssize_t n = ::recv(client_, buffer, sizeof buffer, 0);
        if (n <= 0) {
          ::close(client_);
          client_ = -1;
        } else {
          std::string data, replies;
          from_client.receive(buffer, static_cast<std::size_t>(n), data, replies);
          {
            std::lock_guard lock(mutex_);
            line_bytes_ += data.size();
          }
          [[maybe_unused]] const ssize_t written = ::write(device_, data.data(), data.size());
        }
      }
      if (fds[3].revents != 0) {
        const ssize_t n = ::read(device_, buffer, sizeof buffer);
        if (n > 0 && client_ >= 0) {
          const std::string escaped =
              TelnetLink::escape(std::string_view(buffer, static_cast<std::size_t>(n)));
          ::send(client_, escaped.data(), escaped.size(), MSG_NOSIGNAL);
        } else if (n <= 0 && (fds[3].revents & POLLHUP) != 0) {
          ::close(device_);
          device_ = -1;  // the simulator is gone
        }
      }
    }
  }

  Kind kind_;
  int listener_ = -1;
  int client_ = -1;
  int device_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::size_t line_bytes_ = 0;
};

class NetworkTest : public ::testing::Test {
 protected:
  void start(const std::vector<std::string>& sim_args) {
    start_simulator(sim_args);
    server_ = std::make_unique<Ser2net>(std::filesystem::canonical(sim_->port()).string());
    ASSERT_TRUE(server_->ready()) << "ser2net did not come up (is it installed?)";
  }
  void start_simulator(const std::vector<std::string>& sim_args) {
    sim_ = test::Simulator::start(sim_args);
    ASSERT_NE(sim_, nullptr);
  }
  int run(const std::vector<std::string>& args, const std::string& resolv_conf = "") {
    process_ = std::make_unique<CliProcess>(args, test::CliOptions{}, resolv_conf);
    return process_->wait_for_exit(kCommandBound).value_or(-1);
  }
  std::vector<std::string> out() { return process_->out_lines(); }
  std::string err() { return process_->err(); }

  std::unique_ptr<test::Simulator> sim_;
  std::unique_ptr<Ser2net> server_;
  std::unique_ptr<CliProcess> process_;
};

TEST_F(NetworkTest, IdentifiesAndReadsAJournalThroughBothKindsOfServer) {
  start({"--model", "TK-52.A", "--journal-size", "1=60"});
  for (const std::string& port : {server_->raw(), server_->rfc2217()}) {
    SCOPED_TRACE(port);
    ASSERT_EQ(run({"identify", "--port", port}), 0) << err();
    ASSERT_EQ(out().size(), 1u);
    EXPECT_EQ(out()[0].rfind("{\"model\":\"TK-52.A\",\"model_type\":3,", 0), 0u) << out()[0];
    ASSERT_EQ(run({"journal", "read", "--format", "json", "--port", port}), 0) << err();
    ASSERT_EQ(out().size(), 60u);
    EXPECT_EQ(out()[59].rfind("{\"number\":59,", 0), 0u) << out()[59];
  }
}

// RFC 2217 carries the speed: the clock is found at 38400 and switched back to 115200.
TEST_F(NetworkTest, FindsAndChangesTheSpeedThroughRfc2217) {
  start({"--model", "TK-52.A", "--baud", "38400"});
  ASSERT_EQ(run({"find", "--port", server_->rfc2217()}), 0) << err();
  EXPECT_EQ(out(), std::vector<std::string>{"{\"baud\":38400,\"speed_index\":4}"});
  ASSERT_EQ(run({"speed", "--to", "115200", "--baud", "38400", "--port", server_->rfc2217()}), 0)
      << err();
  EXPECT_EQ(sim_->state("baud").value_or("?"), "115200");
  EXPECT_EQ(run({"identify", "--port", server_->rfc2217()}), 0) << err();
  // Over raw TCP neither: a search would report a speed it never set, and a change would leave
  // the clock at a speed the line never takes.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"find"}, std::vector<std::string>{"speed", "--to", "9600"}}) {
    std::vector<std::string> line = args;
    line.insert(line.end(), {"--port", server_->raw()});
    EXPECT_EQ(run(line), cli::kExitFailure) << args[0];
    EXPECT_NE(err().find("Скорость линии tcp:// задаёт сервер портов"), std::string::npos) << err();
  }
  EXPECT_EQ(sim_->state("baud").value_or("?"), "115200");
}

TEST_F(NetworkTest, AConnectionDroppedMidwayEndsWithAMessage) {
  start({"--model", "TK-52.A", "--journal-size", "1=2000"});
  CliProcess reading({"journal", "read", "--port", server_->rfc2217()});
  ASSERT_TRUE(reading.wait_for_line(20s)) << reading.err();
  server_->stop(SIGKILL);
  const auto dropped = std::chrono::steady_clock::now();
  const auto code = reading.wait_for_exit(kCommandBound);
  ASSERT_TRUE(code.has_value()) << "tk52cli hung after the connection dropped";
  EXPECT_NE(*code, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - dropped, 20s);
  EXPECT_NE(reading.err().find("Устройство отключено от порта " + server_->rfc2217() + "."),
            std::string::npos)
      << reading.err();
}

// Nobody listening, and a host that takes the connection and never says a word: each a clear
// message within a bounded time, never a hang. A port that cannot be opened says why on a
// second line.
TEST_F(NetworkTest, AnUnreachableOrSilentServerIsAClearFailure) {
  const int closed = free_port();
  const auto started = std::chrono::steady_clock::now();
  const struct {
    std::string port;
    const char* reason;
  } unopened[] = {
      {"tcp://127.0.0.1:" + std::to_string(closed), "Сервер отверг соединение"},
      {"tcp://127.0.0.1:70000", "Неверный номер порта «70000»"},
      {"rfc2217://no..such.host:2217", "Узел «no..such.host» не найден."},
      {"tcp://" + std::string(10'000, 'h') + ":4001", "Имя узла длиннее 253 знаков."},
  };
  for (const auto& c : unopened) {
    SCOPED_TRACE(c.port.substr(0, 40));
    EXPECT_EQ(run({"identify", "--port", c.port}), cli::kExitFailure);
    EXPECT_EQ(err().rfind("Не удалось открыть порт.\n" + std::string(c.reason), 0), 0u) << err();
  }

  // The kernel accepts on a listening socket whether or not anyone calls accept().
  const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(silent, 4), 0);
  ::getsockname(silent, reinterpret_cast<sockaddr*>(&a), &length);
  const std::string port = "rfc2217://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  EXPECT_EQ(run({"identify", "--port", port}), cli::kExitFailure);
  EXPECT_NE(err().find("Не удалось обнаружить устройство ТК на " + port + "."), std::string::npos)
      << err();
  ::close(silent);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 45s);
}

// A name server that takes the queries and never answers: the resolver alone would wait for its
// own time-outs (30 s as set here); the open gives up at the connect limit and says so. The
// child sees a resolv.conf of the test's (a mount namespace of its own, so root only).
TEST_F(NetworkTest, ANameServerThatNeverAnswersIsBoundedByTheConnectLimit) {
  const int dns = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(53);
  // A loopback address of this run's own, so that parallel runs do not meet.
  const std::string address = "127.53." + std::to_string(::getpid() % 250 + 1) + ".1";
  ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  if (::bind(dns, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(dns);
    GTEST_SKIP() << "cannot listen on " << address << ":53";
  }
  const auto conf = std::filesystem::temp_directory_path() /
                    ("tk52-resolv-" + std::to_string(::getpid()) + ".conf");
  std::ofstream(conf) << "nameserver " << address << "\noptions timeout:30 attempts:1\n";
  const auto started = std::chrono::steady_clock::now();
  const int code = run({"identify", "--port", "tcp://clock-7.example:4001"}, conf.string());
  const auto took = std::chrono::steady_clock::now() - started;
  ::close(dns);
  std::filesystem::remove(conf);
  if (code == test::kNoPrivateResolver)
    GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(code, cli::kExitFailure);
  EXPECT_EQ(
      err().rfind("Не удалось открыть порт.\nИмя узла «clock-7.example» не найдено за 5 с", 0), 0u)
      << err();
  EXPECT_LT(took, 20s);  // far below the resolver's 30 s
}

// An RFC 2217 server that refuses COM Port Control, or takes it and never answers a speed
// request, leaves its line at its own speed, as over raw TCP: find and speed are refused before
// anything goes to the line, and the clock keeps its speed. The line itself works.
TEST_F(NetworkTest, ATelnetServerThatWillNotSetTheSpeedIsTakenForRawTcp) {
  start_simulator({"--model", "TK-52.A", "--baud", "9600"});
  const std::string device = std::filesystem::canonical(sim_->port()).string();
  for (const auto kind :
       {FakeTelnetServer::Kind::kRefusesComPort, FakeTelnetServer::Kind::kIgnoresSpeed}) {
    FakeTelnetServer server(kind, device, B9600);
    const std::string port = "rfc2217://" + server.address();
    SCOPED_TRACE(kind == FakeTelnetServer::Kind::kRefusesComPort ? "refuses" : "ignores");
    ASSERT_EQ(run({"identify", "--baud", "9600", "--port", port}), 0) << err();
    const std::size_t identified = server.line_bytes();
    EXPECT_GT(identified, 0u);

    EXPECT_EQ(run({"find", "--port", port}), cli::kExitFailure);
    EXPECT_EQ(out(), std::vector<std::string>{});
    EXPECT_NE(err().find(message_text({.id = MessageId::kFixedSpeedLine})), std::string::npos)
        << err();
    EXPECT_EQ(server.line_bytes(), identified);

    EXPECT_EQ(run({"speed", "--to", "115200", "--baud", "9600", "--port", port}),
              cli::kExitFailure);
    EXPECT_NE(err().find(message_text({.id = MessageId::kFixedSpeedLine})), std::string::npos)
        << err();
    EXPECT_EQ(sim_->state("baud").value_or("?"), "9600");
  }
}

// A server that takes the connection and closes it at once: the line is gone, and that is what
// the command says, not a failed write.
TEST_F(NetworkTest, AServerThatClosesAtOnceIsADisconnection) {
  FakeTelnetServer server(FakeTelnetServer::Kind::kClosesAtOnce, "", B0);
  const struct {
    const char* command;
    const char* scheme;
  } cases[] = {{"identify", "tcp://"}, {"identify", "rfc2217://"}, {"find", "rfc2217://"}};
  for (const auto& c : cases) {
    const std::string port = c.scheme + server.address();
    SCOPED_TRACE(std::string(c.command) + " " + port);
    EXPECT_EQ(run({c.command, "--port", port}), cli::kExitFailure);
    EXPECT_NE(err().find("Устройство отключено от порта " + port + "."), std::string::npos)
        << err();
    EXPECT_EQ(err().find("Не удалось записать данные в порт."), std::string::npos) << err();
  }
}

}  // namespace
}  // namespace tk52

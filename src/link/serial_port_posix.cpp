// The serial port on POSIX systems: a termios device (a USB adapter, a UART, or a
// pseudo-terminal) in raw 8N1 mode, or a serial device server's line over TCP ("tcp://HOST:PORT"
// raw, "rfc2217://HOST:PORT" with the line's settings through Telnet). A pipe wakes the reader's
// poll() when the port closes.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "link/network_port.h"
#include "link/serial_port.h"

namespace tk52 {
namespace {

// Why a serial device could not be opened or set up, for the operator.
std::string device_failure(const std::string& name, int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return "Устройства " + name + " нет (адаптер отключён или имя неверно).";
    case EACCES:
    case EPERM:
      return "Нет прав на устройство " + name + " (нужна группа dialout или права root).";
    case EBUSY:
      return "Устройство " + name + " занято другой программой.";
    case ENOTTY:
      return name + " не является последовательным портом.";
    default:
      return "Устройство " + name + ": " + std::strerror(error) + ".";
  }
}

struct SpeedConstant {
  int baud;
  speed_t constant;
};

constexpr SpeedConstant kSpeedConstants[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool speed_constant(int baud, speed_t& constant) {
  for (const SpeedConstant& s : kSpeedConstants) {
    if (s.baud == baud) {
      constant = s.constant;
      return true;
    }
  }
  return false;
}

using Deadline = std::chrono::steady_clock::time_point;

// A network port's connection, the name's lookup included, is made within this time or not at
// all.
constexpr std::uint32_t kConnectTimeoutMs = 5000;
const std::string kConnectLimitText = std::to_string(kConnectTimeoutMs / 1000) + " с";

int ms_left(Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The addresses of a host, or why there are none. getaddrinfo cannot be interrupted, and a name
// server that never answers holds it for the resolver's own time-outs (10 s with the usual
// settings), so it runs on a thread of its own, left to finish alone when the caller's time is
// up; whatever it finds then is freed unused.
struct NameLookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool abandoned = false;
  int status = 0;
  addrinfo* found = nullptr;
};

constexpr int kLookupTimedOut = 1;  // no EAI_ code is positive

int look_up(const std::string& host, int port, Deadline deadline, addrinfo*& found) {
  auto lookup = std::make_shared<NameLookup>();
  try {
    std::thread([lookup, host, service = std::to_string(port)] {
      addrinfo hints{};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = SOCK_STREAM;
      addrinfo* result = nullptr;
      const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
      std::lock_guard lock(lookup->mutex);
      if (lookup->abandoned) {
        if (status == 0)
          ::freeaddrinfo(result);
        return;
      }
      lookup->status = status;
      lookup->found = status == 0 ? result : nullptr;
      lookup->done = true;
      lookup->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return EAI_AGAIN;
  }
  std::unique_lock lock(lookup->mutex);
  if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) {
    lookup->abandoned = true;
    return kLookupTimedOut;
  }
  found = lookup->found;
  return lookup->status;
}

std::string lookup_failure(int status, const std::string& host) {
  switch (status) {
    case kLookupTimedOut:
      return "Имя узла «" + host + "» не найдено за " + kConnectLimitText +
             ": сервер имён не отвечает.";
    case EAI_NONAME:
    case EAI_NODATA:
      return "Узел «" + host + "» не найден.";
    case EAI_AGAIN:
      return "Имя узла «" + host + "» не найдено: сервер имён недоступен.";
    default:
      return "Имя узла «" + host + "» не найдено: " + ::gai_strerror(status) + ".";
  }
}

std::string connect_failure(int error) {
  switch (error) {
    case ECONNREFUSED:
      return "Сервер отверг соединение: на этом порту никто не ждёт подключений.";
    case ETIMEDOUT:
      return "Сервер не ответил за " + kConnectLimitText + ".";
    case ENETUNREACH:
      return "Сеть узла недоступна.";
    case EHOSTUNREACH:
      return "Узел недоступен.";
    case EPIPE:
    case ECONNRESET:
      return "Сервер закрыл соединение.";
    default:
      return std::string("Ошибка соединения: ") + std::strerror(error) + " (" +
             std::to_string(error) + ").";
  }
}

class PosixSerialPort final : public SerialPort {
 public:
  using SerialPort::SerialPort;
  ~PosixSerialPort() override { close(); }

 protected:
  int open_device(const std::string& name, int baud) override {
    speed_t speed = B0;
    if (!speed_constant(baud, speed))
      return EINVAL;
    network_ = parse_network_port(name);
    telnet_.reset();
    int error = 0;
    if (network_) {
      if (!network_->problem.empty()) {
        set_open_failure(network_->problem);
        return EINVAL;
      }
      error = connect_socket(*network_);
      if (error != 0)
        return error;
    } else {
      fd_ = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      if (fd_ < 0) {
        error = errno;
        set_open_failure(device_failure(name, error));
        return error;
      }
      error = configure(speed);
      if (error != 0)
        set_open_failure(device_failure(name, error));
    }
    if (error == 0 && ::pipe(wake_) != 0)
      error = errno;
    if (error != 0) {
      ::close(fd_);
      fd_ = -1;
      return error;
    }
    ::fcntl(wake_[0], F_SETFL, O_NONBLOCK);
    ::fcntl(wake_[1], F_SETFL, O_NONBLOCK);
    pending_ = 0;
    next_ = 0;
    if (network_ && network_->rfc2217) {
      telnet_.emplace();
      baud_requests_ = 1;
      // The server sets its line as a local port would be set.
      const std::string hello = TelnetLink::greeting() + TelnetLink::line_settings(baud);
      const WriteResult sent = send_raw(hello.data(), hello.size(), kWriteTimeoutMs);
      if (!sent.completed) {
        close_device();
        set_open_failure(connect_failure(sent.error));
        return sent.error;
      }
    }
    return 0;
  }

  void close_device() override {
    ::close(fd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    fd_ = wake_[0] = wake_[1] = -1;
  }

  WriteResult write_device(const char* data, std::size_t size, std::uint32_t timeout_ms) override {
    if (telnet_) {
      const std::string escaped = TelnetLink::escape(std::string_view(data, size));
      return send_raw(escaped.data(), escaped.size(), timeout_ms);
    }
    return send_raw(data, size, timeout_ms);
  }

  // Writes every byte within the limit. The reader answers the server's Telnet requests while
  // a sentence may be going out: one writer at a time keeps both whole.
  WriteResult send_raw(const char* data, std::size_t size, std::uint32_t timeout_ms) {
    std::lock_guard lock(write_mutex_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::size_t done = 0;
    while (done < size) {
      // A socket whose peer is gone must fail the write, not raise SIGPIPE.
      const ssize_t n = network_ ? ::send(fd_, data + done, size - done, MSG_NOSIGNAL)
                                 : ::write(fd_, data + done, size - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        const int error = errno;
        // The server closed the connection: the line is gone as surely as a hung-up device.
        if (network_ && (error == EPIPE || error == ECONNRESET || error == ENOTCONN))
          server_gone();
        return {false, error};
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0)
        return {false, ETIMEDOUT};
      pollfd out{fd_, POLLOUT, 0};
      ::poll(&out, 1, static_cast<int>(left.count()));
    }
    return {true, 0};
  }

  bool set_device_speed(int baud) override {
    speed_t speed = B0;
    if (network_) {
      // A raw TCP line keeps the speed the server gives it; through RFC 2217 the server sets it,
      // and the line has the new speed once the server has answered with it.
      if (!telnet_ || !speed_constant(baud, speed))
        return false;
      {
        std::lock_guard lock(telnet_mutex_);
        ++baud_requests_;
      }
      const std::string request = TelnetLink::set_baud(baud);
      if (!send_raw(request.data(), request.size(), kWriteTimeoutMs).completed)
        return false;
      std::unique_lock lock(telnet_mutex_);
      return await_baud_answers(lock) &&
             telnet_->reported_baud() == static_cast<std::uint32_t>(baud);
    }
    termios tio{};
    if (!speed_constant(baud, speed) || ::tcgetattr(fd_, &tio) != 0)
      return false;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
      return false;
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
  }

  // Bytes are read in blocks but handed out one at a time, so the reader sees exactly the byte
  // stream a one-byte read would give, at a fraction of the system calls.
  ReadResult read_device_byte() override {
    if (next_ < pending_)
      return {ReadStatus::kByte, buffer_[next_++], 0};
    if (network_)
      return read_network_byte();
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int ready = 0;
    do {
      ready = ::poll(fds, 2, static_cast<int>(kReadTimeoutMs));
    } while (ready < 0 && errno == EINTR);
    if (stop_requested() || (fds[1].revents & POLLIN) != 0)
      return {ReadStatus::kStopped, 0, 0};
    if (ready < 0)
      return {ReadStatus::kError, 0, errno};
    if (ready == 0)
      return {ReadStatus::kTimeout, 0, 0};
    const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
    if (n > 0) {
      pending_ = static_cast<std::size_t>(n);
      next_ = 1;
      return {ReadStatus::kByte, buffer_[0], 0};
    }
    const int error = n < 0 ? errno : 0;
    const bool hung_up = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    // A line that hung up (the other end of a pseudo-terminal closed, an adapter unplugged)
    // reads as end of file or fails with EIO or ENXIO: the device is gone for good.
    if (hung_up && (n == 0 || error == EIO || error == ENXIO))
      return {ReadStatus::kGone, 0, n == 0 ? EIO : error};
    if (n < 0 && error != EAGAIN && error != EINTR)
      return {ReadStatus::kError, 0, error};
    if (hung_up)
      return {ReadStatus::kError, 0, EIO};
    return {ReadStatus::kTimeout, 0, 0};
  }

  bool device_speed_settable() override {
    if (!network_)
      return true;
    if (!telnet_)
      return false;
    std::unique_lock lock(telnet_mutex_);
    return await_baud_answers(lock);
  }

  void wake_reader() override {
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing more to do then.
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
  }

  void reader_pause(std::uint32_t ms) override {
    pollfd wake{wake_[0], POLLIN, 0};
    ::poll(&wake, 1, static_cast<int>(ms));
  }

 private:
  // A TCP connection to `where`, given at most kConnectTimeoutMs to be made, the name's lookup
  // included. On failure the reason is kept for the operator.
  int connect_socket(const NetworkPortName& where) {
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    addrinfo* found = nullptr;
    const int status = look_up(where.host, where.port, deadline, found);
    if (status != 0) {
      set_open_failure(lookup_failure(status, where.host));
      return status == kLookupTimedOut ? ETIMEDOUT : EHOSTUNREACH;
    }
    int error = ECONNREFUSED;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
      fd_ = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
      if (fd_ < 0) {
        error = errno;
        continue;
      }
      error = 0;
      if (::connect(fd_, a->ai_addr, a->ai_addrlen) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
          pollfd out{fd_, POLLOUT, 0};
          int ready = 0;
          do {
            ready = ::poll(&out, 1, ms_left(deadline));
          } while (ready < 0 && errno == EINTR);
          socklen_t length = sizeof error;
          if (ready <= 0) {
            error = ETIMEDOUT;
          } else if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
          }
        }
      }
      if (error == 0)
        break;
      ::close(fd_);
      fd_ = -1;
    }
    ::freeaddrinfo(found);
    if (error != 0) {
      set_open_failure(connect_failure(error));
      return error;
    }
    // Sentences are short and each is one write: no waiting to fill a segment.
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return 0;
  }

  // Waits (at most kAnswerTimeoutMs) until the server has answered every speed request, refused
  // COM Port Control, or closed the connection; true for the first.
  bool await_baud_answers(std::unique_lock<std::mutex>& lock) {
    const auto answered = [this] { return telnet_->baud_answers() >= baud_requests_; };
    telnet_changed_.wait_for(lock, std::chrono::milliseconds(kAnswerTimeoutMs),
                             [&] { return answered() || telnet_->com_port_refused() || gone(); });
    return answered() && !telnet_->com_port_refused();
  }

  // Marks the line gone and wakes whoever waits for the server's answers.
  void server_gone() {
    mark_gone();
    std::lock_guard lock(telnet_mutex_);
    telnet_changed_.notify_all();
  }

  // The next byte of the line from the socket, Telnet commands taken out on the way.
  ReadResult read_network_byte() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0)
        return {ReadStatus::kTimeout, 0, 0};
      pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
      if (stop_requested() || (fds[1].revents & POLLIN) != 0)
        return {ReadStatus::kStopped, 0, 0};
      if (ready < 0 && errno == EINTR)
        continue;
      if (ready < 0)
        return {ReadStatus::kError, 0, errno};
      if (ready == 0)
        return {ReadStatus::kTimeout, 0, 0};
      char raw[sizeof buffer_];
      const ssize_t n = ::recv(fd_, raw, sizeof raw, 0);
      if (n == 0) {
        server_gone();  // the server closed the connection
        return {ReadStatus::kGone, 0, ECONNRESET};
      }
      if (n < 0) {
        const int error = errno;
        if (error == EAGAIN || error == EINTR)
          continue;
        if (error == ECONNRESET || error == EPIPE || error == ETIMEDOUT) {
          server_gone();
          return {ReadStatus::kGone, 0, error};
        }
        return {ReadStatus::kError, 0, error};
      }
      std::string data;
      if (telnet_) {
        std::string replies;
        {
          std::lock_guard lock(telnet_mutex_);
          telnet_->receive(raw, static_cast<std::size_t>(n), data, replies);
          telnet_changed_.notify_all();
        }
        if (!replies.empty())
          send_raw(replies.data(), replies.size(), kWriteTimeoutMs);
      } else {
        data.assign(raw, static_cast<std::size_t>(n));
      }
      if (data.empty())
        continue;  // only Telnet's own talk: the line said nothing yet
      data.copy(buffer_, data.size());
      pending_ = data.size();
      next_ = 1;
      return {ReadStatus::kByte, buffer_[0], 0};
    }
  }

  int configure(speed_t speed) {
    // No other program may open the port while we hold it.
    ::ioctl(fd_, TIOCEXCL);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0)
      return errno;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | HUPCL | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
      return errno;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0)
      return errno;
    // DTR and RTS stay low, as with flow control disabled; a pseudo-terminal has neither.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIC, &lines);
    ::tcflush(fd_, TCIOFLUSH);
    return 0;
  }

  // How long an RFC 2217 server is given to answer a speed request (ser2net takes a few
  // milliseconds).
  static constexpr std::uint32_t kAnswerTimeoutMs = 2000;

  int fd_ = -1;
  int wake_[2] = {-1, -1};
  std::optional<NetworkPortName> network_;
  std::optional<TelnetLink> telnet_;  // rfc2217:// only
  // The reader feeds telnet_ under this lock; the speed's setters wait on it for the answers.
  std::mutex telnet_mutex_;
  std::condition_variable telnet_changed_;
  unsigned baud_requests_ = 0;  // SET-BAUDRATE requests sent on this connection
  std::mutex write_mutex_;
  char buffer_[256] = {};
  std::size_t pending_ = 0;
  std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<SerialPort> make_serial_port(TrafficLogWriter& log, const Clock& clock) {
  return std::make_unique<PosixSerialPort>(log, clock);
}

}  // namespace tk52

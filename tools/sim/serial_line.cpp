// The clock on a real serial device, facing a PC through a null-modem cable.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "line.h"
#include "termios_speed.h"

namespace tk52::sim {
namespace {

class SerialLine final : public Line {
 public:
  SerialLine(std::string path, int baud) : path_(std::move(path)), baud_(baud) {}
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;
  ~SerialLine() override { close(); }

  int fd() const override { return fd_; }
  std::string path() const override { return path_; }
  // The UART garbles by itself when the two speeds differ.
  int peer_baud() const override { return 0; }
  bool gone_on_read_error() const override { return true; }
  bool attached() override { return fd_ >= 0; }

  bool set_baud(int baud) override {
    baud_ = baud;
    if (fd_ < 0)
      return true;
    // The reply that announced the change must leave at the old speed.
    tcdrain(fd_);
    return configure(fd_);
  }

  void close() override {
    if (fd_ >= 0)
      ::close(fd_);
    fd_ = -1;
  }

  bool open() override {
    close();
    const int opened = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0)
      return false;
    if (!configure(opened)) {
      const int saved = errno;
      ::close(opened);
      errno = saved;
      return false;
    }
    tcflush(opened, TCIOFLUSH);
    fd_ = opened;
    return true;
  }

 private:
  bool configure(int fd) const {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
      return false;
    make_raw(settings, baud_);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
  }

  std::string path_;
  int baud_;
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<Line> make_serial_line(const std::string& device_path, int baud) {
  return std::make_unique<SerialLine>(device_path, baud);
}

}  // namespace tk52::sim

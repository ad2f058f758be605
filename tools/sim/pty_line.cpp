// The clock on a pseudo-terminal. The PC's side is the slave; the clock holds the master.
// The master shares the slave's termios, which is how the clock learns the PC's speed.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "line.h"
#include "termios_speed.h"

namespace tk52::sim {
namespace {

// Points `link` at `target`, replacing an older symbolic link in one step; anything else at
// `link` is left alone and reported as EEXIST.
bool point_link(const std::string& link, const std::string& target) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    errno = EEXIST;
    return false;
  }
  const std::string temporary = link + ".tmp" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0)
    return false;
  if (rename(temporary.c_str(), link.c_str()) != 0) {
    const int saved = errno;
    unlink(temporary.c_str());
    errno = saved;
    return false;
  }
  return true;
}

std::string link_target(const std::string& link) {
  std::array<char, 4096> buffer{};
  const ssize_t size = readlink(link.c_str(), buffer.data(), buffer.size() - 1);
  return size > 0 ? std::string(buffer.data(), static_cast<std::size_t>(size)) : std::string();
}

class PtyLine final : public Line {
 public:
  PtyLine(int baud, std::string link_path) : baud_(baud), link_(std::move(link_path)) {}
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  ~PtyLine() override {
    close();
    if (!link_.empty() && !slave_.empty() && link_target(link_) == slave_)
      unlink(link_.c_str());
  }

  int fd() const override { return master_; }
  std::string path() const override { return slave_; }

  int peer_baud() const override {
    termios settings{};
    if (master_ < 0 || tcgetattr(master_, &settings) != 0)
      return 0;
    return baud_of(cfgetospeed(&settings));
  }

  bool gone_on_read_error() const override { return false; }

  // A hung-up master cannot be polled (it reports the hang-up at once, always); the slave's
  // opening is watched instead, and by the time it is reported the hang-up has cleared.
  int arrival_fd() const override { return opens_; }
  void forget_arrivals() override {
    std::array<char, 4096> events{};
    while (opens_ >= 0 && read(opens_, events.data(), events.size()) > 0) {
    }
  }

  // Once the PC has closed the slave, the master reports a hang-up until someone opens it again.
  bool attached() override {
    if (master_ < 0)
      return false;
    pollfd probe{master_, POLLIN, 0};
    return poll(&probe, 1, 0) >= 0 && (probe.revents & POLLHUP) == 0;
  }

  // The PC chooses the pseudo-terminal's speed; the clock's own is only compared with it. It
  // is remembered for the next pseudo-terminal after a hang-up.
  bool set_baud(int baud) override {
    baud_ = baud;
    return true;
  }

  void close() override {
    if (opens_ >= 0)
      ::close(opens_);
    opens_ = -1;
    if (master_ >= 0)
      ::close(master_);
    master_ = -1;
  }

  bool open() override {
    close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0)
      return false;
    std::array<char, 128> name{};
    termios settings{};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name.data(), name.size()) != 0 || tcgetattr(master, &settings) != 0) {
      const int saved = errno;
      ::close(master);
      errno = saved;
      return false;
    }
    // Raw from the start, so that a PC which only sets the speed gets the bytes unchanged.
    make_raw(settings, baud_);
    tcsetattr(master, TCSANOW, &settings);
    // Opening and closing the slave once puts the master in the hung-up state, so nothing is
    // written for a PC that has not come yet.
    const int slave = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0)
      ::close(slave);

    master_ = master;
    slave_ = name.data();
    // Without the watch, attached() is probed now and then.
    opens_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (opens_ >= 0 && inotify_add_watch(opens_, slave_.c_str(), IN_OPEN) < 0) {
      ::close(opens_);
      opens_ = -1;
    }
    return link_.empty() || point_link(link_, slave_);
  }

 private:
  int master_ = -1;
  int opens_ = -1;  // inotify: the slave's openings
  int baud_;
  std::string link_;
  std::string slave_;
};

}  // namespace

std::unique_ptr<Line> make_pty_line(int baud, const std::string& link_path) {
  return std::make_unique<PtyLine>(baud, link_path);
}

}  // namespace tk52::sim

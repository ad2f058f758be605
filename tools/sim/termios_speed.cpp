#include "termios_speed.h"

namespace tk52::sim {
namespace {

struct SpeedName {
  int baud;
  speed_t speed;
};

constexpr SpeedName kSpeedNames[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},   {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

}  // namespace

speed_t termios_speed(int baud) {
  for (const SpeedName& name : kSpeedNames) {
    if (name.baud == baud)
      return name.speed;
  }
  return B0;
}

int baud_of(speed_t speed) {
  for (const SpeedName& name : kSpeedNames) {
    if (name.speed == speed)
      return name.baud;
  }
  return -1;
}

void make_raw(termios& settings, int baud) {
  cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
  settings.c_cflag |= CLOCAL | CREAD | CS8;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, termios_speed(baud));
  cfsetospeed(&settings, termios_speed(baud));
}

}  // namespace tk52::sim

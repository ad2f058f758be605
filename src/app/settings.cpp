#include "app/settings.h"

#include "link/serial_port.h"

namespace tk52 {

bool valid_port_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxPortName)
    return false;
  for (char c : name) {
    if (c <= ' ' || c > '~')
      return false;
  }
  return true;
}

int valid_speed_position(int position) {
  return position >= 0 && position < kSpeedCount ? position : Settings{}.speed_position;
}

}  // namespace tk52

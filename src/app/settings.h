// The settings the program remembers between runs: the last port and speed. Stored under the
// per-user key by the Windows program (ComPort, BaudRate); kept here as plain data.
#pragma once

#include <string>
#include <string_view>

namespace tk52 {

struct Settings {
  std::string port_name;   // "COM1".."COM256" on Windows, a device path elsewhere
  int speed_position = 6;  // 0..6, 115200 bit/s unless remembered otherwise
};

// Port names the settings accept: printable ASCII, at most kMaxPortName characters.
inline constexpr std::size_t kMaxPortName = 255;
bool valid_port_name(std::string_view name);

// A stored speed position outside 0..6 falls back to the default.
int valid_speed_position(int position);

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual void save(const Settings& settings) = 0;
};

}  // namespace tk52

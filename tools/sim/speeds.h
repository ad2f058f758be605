// The clock's line speeds. The configurator's list and the speed-change request number them
// 0..6 and 1..7; everything inside the simulator works in bit/s.
#pragma once

#include <array>

namespace tk52::sim {

inline constexpr std::array<int, 7> kSpeeds = {2400, 4800, 9600, 19200, 38400, 57600, 115200};

// Position 0..6 of a speed in bit/s, or -1 for a speed the clock does not offer.
constexpr int speed_index(int baud) {
  for (std::size_t i = 0; i < kSpeeds.size(); ++i) {
    if (kSpeeds[i] == baud)
      return static_cast<int>(i);
  }
  return -1;
}

// A serial frame is a start bit, eight data bits and a stop bit.
constexpr int bytes_per_second(int baud) {
  return baud / 10;
}

}  // namespace tk52::sim

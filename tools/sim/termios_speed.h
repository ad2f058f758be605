// termios speed constants and bit/s.
#pragma once

#include <termios.h>

namespace tk52::sim {

// B0 for a speed termios cannot name.
speed_t termios_speed(int baud);
// -1 for a constant outside the table.
int baud_of(speed_t speed);

// Raw 8N1 without flow control at `baud`: what both sides of the clock's line use.
void make_raw(termios& settings, int baud);

}  // namespace tk52::sim

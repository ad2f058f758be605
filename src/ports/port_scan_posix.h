// Serial devices on Linux and other POSIX systems, for tk52cli and the native tests. There the
// port is named by its device path (/dev/ttyUSB0), not by a COM number, so the result is a plain
// list of paths rather than a PortList.
#pragma once

#include <string>
#include <vector>

namespace tk52 {

// The ttyS*, ttyUSB* and ttyACM* devices in the directory that answer: those that open as a
// terminal, and those that another program holds exclusively (EBUSY). A ttyS node exists for
// every possible UART, so the open is what tells a real port. Permission denied leaves a device
// out, since it says nothing about the hardware. Paths come in the order of the three families,
// and by number within each (ttyS2 before ttyS10).
std::vector<std::string> scan_serial_devices(const std::string& directory = "/dev");

}  // namespace tk52

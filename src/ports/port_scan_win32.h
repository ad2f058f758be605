// The Windows scan that fills the port list from the system.
#pragma once

#include "ports/port_list.h"

namespace tk52 {

// Rebuilds the list from the serial-port map "HARDWARE\DEVICEMAP\SERIALCOMM". A port is listed
// when it opens, or when it is refused with access denied, which is how Windows says that
// another program holds it; ports that fail for any other reason are left out. Descriptions come
// from the friendly names of the ports class devices. Results: access_denied when the map cannot
// be read, out_of_memory, fail for an enumeration error; ok also when there is no port. A failure
// leaves the list as far as it was built.
PortResult scan_com_ports(PortList& list);

}  // namespace tk52

// Control identifiers of the port selection window. They share their values with the first
// operation codes; the window handles its own commands, so they never reach the dispatcher.
#pragma once

namespace tk52::port_window_ids {

inline constexpr int kScanButton = 0x1001;
inline constexpr int kOkButton = 0x1002;
inline constexpr int kPortList = 0x1003;

}  // namespace tk52::port_window_ids

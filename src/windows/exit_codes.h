// The Windows program's exit codes when it cannot start or run. A second start exits with the
// system's last error (183) instead, and a normal end with the message loop's code (0).
#pragma once

namespace tk52::win32::exit_code {

inline constexpr int kTabs = 1;        // a tab could not be inserted
inline constexpr int kLoop = 2;        // the message loop failed
inline constexpr int kClass = 3;       // the main window's class could not be registered
inline constexpr int kWindow = 4;      // a window or control could not be made
inline constexpr int kProtocol = 5;    // the port window could not be made
inline constexpr int kWatchdog = 6;    // the time-sentence watchdog could not be started
inline constexpr int kLogRefused = 8;  // "journal.txt" cannot be opened and the user stopped

}  // namespace tk52::win32::exit_code

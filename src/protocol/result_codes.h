// Result codes. Two ranges share one integer type: small numbers for the port and the
// operations, 0x1000 upward for the fate of a received sentence. Every transport function,
// parser and operation returns one; nothing throws.
#pragma once

#include <cstdint>

namespace tk52 {

using ResultCode = std::uint32_t;

namespace result {
inline constexpr ResultCode kPortOk = 0;
inline constexpr ResultCode kNotPerformed = 1;
inline constexpr ResultCode kPortNotOpen = 2;  // opening failed, or the port is not open
inline constexpr ResultCode kCloseFailed = 3;
inline constexpr ResultCode kReadFailed = 4;
inline constexpr ResultCode kWriteFailed = 5;
inline constexpr ResultCode kSpeedChangeFailed = 6;
inline constexpr ResultCode kNoReply = 7;  // the arrival event did not come within 300 ms
inline constexpr ResultCode kSilent = 8;   // a failure already reported, or none to report
inline constexpr ResultCode kOk = 0x1000;
inline constexpr ResultCode kBadField = 0x1001;
inline constexpr ResultCode kBadChecksum = 0x1002;
inline constexpr ResultCode kBadCrc = 0x1003;
inline constexpr ResultCode kNotProcessed = 0x1004;  // the slot was not posted within 500 ms
inline constexpr ResultCode kPostFailed = 0x1005;
}  // namespace result

// 0 and 0x1000 both mean success once a request loop has finished.
constexpr bool succeeded(ResultCode code) {
  return code == result::kPortOk || code == result::kOk;
}

}  // namespace tk52

// The sentence the clock emits at each second, chosen by the time-stamp format of its
// configuration.
#pragma once

#include <cstdint>
#include <string>

#include "extra_info.h"

namespace tk52::sim {

namespace time_format {
inline constexpr int kNone = 0;
inline constexpr int kTk51 = 1;
inline constexpr int kTk52 = 2;      // PKEXT
inline constexpr int kTk52Unix = 3;  // PKEXU
inline constexpr int kGpzda = 4;
inline constexpr int kGprmc = 5;
inline constexpr int kGpgga = 6;
inline constexpr int kPps1 = 7;
inline constexpr int kPps2 = 8;
}  // namespace time_format

// The body of the time sentence for the UTC instant `unix_ms` (milliseconds since 1970), or an
// empty text for the formats that carry no sentence (0, 1, 7 and 8). The fix status, satellite
// count and position come from the extra information.
std::string time_sentence_body(int format, std::int64_t unix_ms, const ExtraInfoSettings& info);

}  // namespace tk52::sim

#include "time_sentences.h"

#include <ctime>

#include "protocol/framing.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

struct Instant {
  std::string time;  // hhmmss.ss
  std::string day, month, year;
};

Instant instant_of(std::int64_t unix_ms) {
  const std::int64_t floor_ms = unix_ms - ((unix_ms % 1000) + 1000) % 1000;
  const std::time_t seconds = static_cast<std::time_t>(floor_ms / 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  const auto hundredths = static_cast<unsigned>((unix_ms - floor_ms) / 10);
  Instant at;
  at.time = zero_padded(static_cast<unsigned>(tm.tm_hour), 2) +
            zero_padded(static_cast<unsigned>(tm.tm_min), 2) +
            zero_padded(static_cast<unsigned>(tm.tm_sec), 2) + '.' + zero_padded(hundredths, 2);
  at.day = zero_padded(static_cast<unsigned>(tm.tm_mday), 2);
  at.month = zero_padded(static_cast<unsigned>(tm.tm_mon + 1), 2);
  at.year = zero_padded(static_cast<unsigned>(tm.tm_year + 1900), 4);
  return at;
}

// The proprietary sentences end with a CRC-16 of everything after the name's comma.
std::string with_crc(std::string_view name, const std::string& covered) {
  const std::uint16_t crc = crc16_ccitt_false(covered.data(), covered.size());
  return std::string(name) + ',' + covered + ',' + hex_upper(crc, 4);
}

std::string proprietary(bool unix_field, std::int64_t unix_ms, const ExtraInfoSettings& info) {
  const Instant at = instant_of(unix_ms);
  const bool valid = info.status == 'A';
  std::string covered = at.time + ',' + at.day + ',' + at.month + ',' + at.year + ',' +
                        info.status + ',' +
                        (valid ? zero_padded(static_cast<unsigned>(info.satellites), 2) : "");
  if (unix_field) {
    const std::int64_t seconds = unix_ms / 1000;
    covered += ',' + hex_upper(static_cast<std::uint32_t>(seconds), 8);
  }
  return with_crc(unix_field ? "PKEXU" : "PKEXT", covered);
}

std::string position(const ExtraInfoSettings& info) {
  return info.latitude + ',' + info.lat_hemisphere + ',' + info.longitude + ',' +
         info.lon_hemisphere;
}

}  // namespace

std::string time_sentence_body(int format, std::int64_t unix_ms, const ExtraInfoSettings& info) {
  const bool valid = info.status == 'A';
  switch (format) {
    case time_format::kTk52:
      return proprietary(false, unix_ms, info);
    case time_format::kTk52Unix:
      return proprietary(true, unix_ms, info);
    case time_format::kGpzda: {
      const Instant at = instant_of(unix_ms);
      return "GPZDA," + at.time + ',' + at.day + ',' + at.month + ',' + at.year + ",00,00";
    }
    case time_format::kGprmc: {
      const Instant at = instant_of(unix_ms);
      return "GPRMC," + at.time + ',' + info.status + ',' + position(info) + ",0.0,0.0," + at.day +
             at.month + at.year.substr(2) + ",,," + (valid ? 'A' : 'N');
    }
    case time_format::kGpgga: {
      const Instant at = instant_of(unix_ms);
      return "GPGGA," + at.time + ',' + position(info) + ',' + (valid ? '1' : '0') + ',' +
             zero_padded(static_cast<unsigned>(info.satellites), 2) + ",1.0," + info.altitude +
             ",M,14.0,M,,";
    }
    default:
      return {};
  }
}

}  // namespace tk52::sim

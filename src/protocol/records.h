// The decoded records of the replies. Each is trivially copyable and travels through a reply
// slot as raw bytes (ReplyPayload).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tk52 {

// PKEXT and PKEXU. Day of week is always 0; status is 'A' or 'V'.
struct TimeRecord {
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t day_of_week;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint16_t milliseconds;
  char status;
};

// PKEXC, configuration form. Values are list positions as the page shows them.
struct DeviceConfiguration {
  std::int32_t time_stamp_format;
  std::int32_t satellite_systems;
  std::int32_t utc_reference;
  std::int32_t heating;
  std::int32_t pps_source;
  std::int32_t pps_width;
};

// PKEXC result-code form and PKEXD: 5 for "OK", else the digit after "E" (0 without one).
struct ResultCodeRecord {
  std::int32_t code;
};
inline constexpr std::int32_t kDeviceCodeOk = 5;

// PKEXR.
struct SpeedReply {
  std::int32_t speed_index;  // 0..6
  std::int32_t letter;       // 'A', 'R' or 'E'
};

// PKEXI. NUL-terminated texts: the model is five ("TK-53") or eight ("TK-52.A ") characters.
struct IdentificationRecord {
  char model[9];
  char hardware[3];
  char software[7];
};

// PKEXS. The *_digits fields count the fraction digits as received (at most 7), so that a
// fraction can be shown with its leading zeros.
struct ExtraInfo {
  std::int32_t status_valid;
  std::int32_t satellites;
  std::int32_t heating;
  std::int32_t temperature;
  std::int32_t temperature_present;
  std::int32_t lat_deg;
  std::int32_t lat_min;
  std::int32_t lat_frac;
  std::int32_t lat_hemisphere;  // 'N', 'S' or 0
  std::int32_t lat_present;
  std::int32_t lon_deg;
  std::int32_t lon_min;
  std::int32_t lon_frac;
  std::int32_t lon_hemisphere;  // 'E', 'W' or 0
  std::int32_t lon_present;
  std::int32_t alt_int;
  std::int32_t alt_frac;
  std::int32_t alt_present;
  std::int32_t lat_frac_digits;
  std::int32_t lon_frac_digits;
  std::int32_t alt_frac_digits;
  std::int32_t alt_negative;  // 1 for a "-" before the whole part, which keeps "-0.5" negative
};

// PKEXE: the device's own error code, 0..99.
struct DeviceErrorRecord {
  std::int32_t code;
};

// PKEXJ, header form.
struct JournalHeader {
  std::int32_t journal;  // 0..2
  std::int32_t count;    // 0..9999
};

// PKEXJ, record form.
struct JournalRecordEntry {
  std::int32_t journal;           // 0..2
  std::int32_t number;            // 0..9999
  std::uint32_t event_and_value;  // low byte the event code, high half the 16-bit value
  std::uint32_t value32;
  std::uint32_t unused;

  std::uint8_t event() const { return static_cast<std::uint8_t>(event_and_value & 0xFF); }
  std::uint16_t value16() const { return static_cast<std::uint16_t>(event_and_value >> 16); }
};

inline constexpr std::size_t kPayloadSize = 96;
using ReplyPayload = std::array<unsigned char, kPayloadSize>;

template <class Record>
void store_record(ReplyPayload& payload, const Record& record) {
  static_assert(std::is_trivially_copyable_v<Record> && sizeof(Record) < kPayloadSize);
  std::memcpy(payload.data(), &record, sizeof record);
}

// PKEXC answers a query with its configuration and a write with a result code. A late answer to
// one can arrive while the other waits, so the slot says which form it holds: its last byte,
// which no record reaches.
enum class PkexcForm : unsigned char { kUnknown = 0, kConfiguration = 1, kResultCode = 2 };
inline constexpr std::size_t kFormByte = kPayloadSize - 1;

inline void set_pkexc_form(ReplyPayload& payload, PkexcForm form) {
  payload[kFormByte] = static_cast<unsigned char>(form);
}
inline PkexcForm pkexc_form(const ReplyPayload& payload) {
  return static_cast<PkexcForm>(payload[kFormByte]);
}

template <class Record>
Record load_record(const ReplyPayload& payload) {
  static_assert(std::is_trivially_copyable_v<Record> && sizeof(Record) <= kPayloadSize);
  Record record;
  std::memcpy(&record, payload.data(), sizeof record);
  return record;
}

}  // namespace tk52

#include "protocol/parsers.h"

#include <cstdint>
#include <cstring>

#include "protocol/framing.h"

namespace tk52 {
namespace {

constexpr ResultCode kOk = result::kOk;
constexpr ResultCode kBad = result::kBadField;

// A bounded reading position inside one sentence. Past the end it sees NUL, which matches no
// pattern, so a parser can never step outside the text it was given.
class Cursor {
 public:
  Cursor(const char* text, std::size_t size) : text_(text), size_(size) {}

  std::size_t pos() const { return pos_; }
  char peek() const { return pos_ < size_ ? text_[pos_] : '\0'; }

  bool expect(char c) {
    if (peek() != c)
      return false;
    ++pos_;
    return true;
  }

  // Takes one character in [lo, hi].
  bool range(char lo, char hi, char& c) {
    c = peek();
    if (c < lo || c > hi || c == '\0')
      return false;
    ++pos_;
    return true;
  }

  bool digit(int& value) {
    char c = 0;
    if (!range('0', '9', c))
      return false;
    value = c - '0';
    return true;
  }

  bool digit_in(char lo, char hi, int& value) {
    char c = 0;
    if (!range(lo, hi, c))
      return false;
    value = c - '0';
    return true;
  }

  // Exactly two digits as a decimal number.
  bool two_digits(int& value) {
    int hi = 0, lo = 0;
    if (!digit(hi) || !digit(lo))
      return false;
    value = hi * 10 + lo;
    return true;
  }

  // Up to `max_count` digits; `keep` of them accumulate into value, the rest are only consumed.
  // In locals: `value` may alias anything, and kept in memory it would be stored and read back
  // at every digit.
  int digits(int max_count, int keep, std::int32_t& value) {
    std::size_t next = pos_;
    std::int32_t accumulated = 0;
    int count = 0;
    for (; count < max_count && next < size_ && is_digit(text_[next]); ++next, ++count) {
      if (count < keep)
        accumulated = accumulated * 10 + (text_[next] - '0');
    }
    pos_ = next;
    value = accumulated;
    return count;
  }

  int hex_run(int max_count) {
    std::size_t next = pos_;
    int count = 0;
    for (; count < max_count && next < size_ && is_hex(text_[next]); ++next, ++count) {
    }
    pos_ = next;
    return count;
  }

  const char* at(std::size_t p) const { return text_ + p; }

 private:
  const char* text_;
  std::size_t size_;
  std::size_t pos_ = 6;  // every parser starts after "$" and the five-letter name
};

constexpr int kUnbounded = 1 << 30;

// $PKEXT,hhmmss.ss,DD,MM,YYYY,A,nn,CRC4*hh  (PKEXU has a hex field of up to 8 before the CRC)
ResultCode parse_time(const char* text, std::size_t size, bool with_extra, TimeRecord& out) {
  out = TimeRecord{};
  Cursor c(text, size);
  int hour = 0, minute = 0, second = 0, d1 = 0, d2 = 0;
  if (!c.expect(',') || !c.two_digits(hour) || !c.two_digits(minute) || !c.two_digits(second)) {
    return kBad;
  }
  out.hour = static_cast<std::uint16_t>(hour);
  out.minute = static_cast<std::uint16_t>(minute);
  out.second = static_cast<std::uint16_t>(second);
  if (!c.expect('.') || !c.digit(d1) || !c.digit(d2))
    return kBad;
  out.milliseconds = static_cast<std::uint16_t>(d1 * 100 + d2 * 10);

  int tens = 0, units = 0;
  if (!c.expect(',') || !c.digit_in('0', '3', tens) || !c.digit(units))
    return kBad;
  out.day = static_cast<std::uint16_t>(tens * 10 + units);
  if (!c.expect(',') || !c.digit_in('0', '1', tens) || !c.digit(units))
    return kBad;
  out.month = static_cast<std::uint16_t>(tens * 10 + units);

  // Years 2010..2099 and 2110..2199 with a non-zero third digit: "2", "0"|"1", "1".."9", digit.
  int century = 0, decade = 0, year = 0;
  if (!c.expect(',') || !c.expect('2') || !c.digit_in('0', '1', century) ||
      !c.digit_in('1', '9', decade) || !c.digit(year)) {
    return kBad;
  }
  out.year = static_cast<std::uint16_t>(2000 + century * 100 + decade * 10 + year);

  if (!c.expect(','))
    return kBad;
  const char status = c.peek();
  if (status != 'A' && status != 'V')
    return kBad;
  c.expect(status);
  out.status = status;

  std::int32_t ignored = 0;
  if (!c.expect(','))
    return kBad;
  c.digits(2, 0, ignored);
  if (with_extra) {
    if (!c.expect(','))
      return kBad;
    c.hex_run(8);
  }

  const std::size_t covered_end = c.pos();
  if (!c.expect(','))
    return kBad;
  const std::size_t crc_start = c.pos();
  const int crc_digits = c.hex_run(4);
  if (!c.expect('*'))
    return kBad;

  unsigned expected = 0;
  for (int k = 0; k < crc_digits; ++k) {
    expected |= digit_to_value(*c.at(crc_start + static_cast<std::size_t>(k))) << (12 - 4 * k);
  }
  constexpr std::size_t kCoveredStart = 7;
  const std::uint16_t crc = crc16_ccitt_false(text + kCoveredStart, covered_end - kCoveredStart);
  return crc == expected ? kOk : result::kBadCrc;
}

// "$PKEXC,OK*", "$PKEXC,E3*", "$PKEXC,E*" (and the same for PKEXD).
ResultCode parse_result_form(const char* text, std::size_t size, ResultCodeRecord& out) {
  out = ResultCodeRecord{};
  Cursor c(text, size);
  if (!c.expect(','))
    return kBad;
  if (c.expect('E')) {
    int code = 0;
    if (c.digit(code))
      out.code = code;
    return c.expect('*') ? kOk : kBad;
  }
  if (c.expect('O') && c.expect('K')) {
    out.code = kDeviceCodeOk;
    return c.expect('*') ? kOk : kBad;
  }
  return kBad;
}

// Latitude "DDMM.fffffff" (degree_digits 2) or longitude "DDDMM.fffffff" (3). An empty field
// leaves everything 0. At most seven fraction digits are kept; further digits are skipped.
void parse_coordinate(Cursor& c, int degree_digits, std::int32_t& deg, std::int32_t& min,
                      std::int32_t& frac, std::int32_t& frac_digits, std::int32_t& present) {
  if (c.peek() == ',')
    return;
  present = 1;
  std::int32_t whole = 0;
  const int count = c.digits(degree_digits + 2, kUnbounded, whole);
  if (count > degree_digits) {
    int scale = 1;
    for (int k = degree_digits; k < count; ++k)
      scale *= 10;
    deg = whole / scale;
    min = whole % scale;
  } else {
    deg = whole;
  }
  if (c.expect('.')) {
    const int count_fraction = c.digits(kUnbounded, 7, frac);
    frac_digits = count_fraction < 7 ? count_fraction : 7;
  }
}

}  // namespace

ResultCode parse_pkext(const char* text, std::size_t size, TimeRecord& out) {
  return parse_time(text, size, false, out);
}

ResultCode parse_pkexu(const char* text, std::size_t size, TimeRecord& out) {
  return parse_time(text, size, true, out);
}

ResultCode parse_pkexc_result(const char* text, std::size_t size, ResultCodeRecord& out) {
  return parse_result_form(text, size, out);
}

ResultCode parse_pkexd(const char* text, std::size_t size, ResultCodeRecord& out) {
  return parse_result_form(text, size, out);
}

// Types 1, 2 and 0: "$PKEXC,2,1,2,0*"; types 3 and 4: "$PKEXC,2,1,2,0,2,100*".
ResultCode parse_pkexc_config(const char* text, std::size_t size, DeviceModelType model,
                              DeviceConfiguration& out) {
  out = DeviceConfiguration{};
  Cursor c(text, size);
  const bool pps = has_pps_fields(model);
  int value = 0;
  if (!c.expect(',') || !c.digit_in('0', '8', value))
    return kBad;
  out.time_stamp_format = value;
  if (!c.expect(',') || !c.digit_in(pps ? '0' : '1', '3', value))
    return kBad;
  out.satellite_systems = pps ? value : value - 1;
  if (!c.expect(',') || !c.digit_in('1', '2', value))
    return kBad;
  out.utc_reference = value - 1;
  if (!c.expect(',') || !c.digit_in('0', '1', value))
    return kBad;
  out.heating = value;
  if (!pps)
    return c.expect('*') ? kOk : kBad;

  if (!c.expect(',') || !c.digit_in('0', '2', value))
    return kBad;
  out.pps_source = value;
  int hundreds = 0, rest = 0;
  if (!c.expect(',') || !c.digit(hundreds) || !c.two_digits(rest))
    return kBad;
  out.pps_width = hundreds * 100 + rest;
  return c.expect('*') ? kOk : kBad;
}

// $PKEXR,7,A*
ResultCode parse_pkexr(const char* text, std::size_t size, SpeedReply& out) {
  out = SpeedReply{};
  Cursor c(text, size);
  int digit = 0;
  if (!c.expect(',') || !c.digit_in('1', '7', digit))
    return kBad;
  out.speed_index = digit - 1;
  if (!c.expect(','))
    return kBad;
  const char letter = c.peek();
  if (letter != 'A' && letter != 'R' && letter != 'E')
    return kBad;
  c.expect(letter);
  out.letter = letter;
  return c.expect('*') ? kOk : kBad;
}

// $PKEXI,TK-52.00,01,V1.23*   $PKEXI,TK-52.A,01,V2.345*   $PKEXI,TK-53,02,V1.234*
ResultCode parse_pkexi(const char* text, std::size_t size, IdentificationRecord& out) {
  out = IdentificationRecord{};
  Cursor c(text, size);
  if (!c.expect(',') || !c.expect('T') || !c.expect('K') || !c.expect('-'))
    return kBad;
  std::memcpy(out.model, "TK-", 3);
  int d = 0;
  if (!c.digit(d))
    return kBad;
  out.model[3] = static_cast<char>('0' + d);
  if (!c.digit(d))
    return kBad;
  out.model[4] = static_cast<char>('0' + d);
  if (d != 3) {
    if (!c.expect('.'))
      return kBad;
    out.model[5] = '.';
    if (c.expect('A')) {
      out.model[6] = 'A';
      out.model[7] = ' ';  // the record pads the short "TK-52.A" of the wire to eight
    } else {
      if (!c.digit(d))
        return kBad;
      out.model[6] = static_cast<char>('0' + d);
      if (!c.digit(d))
        return kBad;
      out.model[7] = static_cast<char>('0' + d);
    }
  }

  if (!c.expect(',') || !c.digit(d))
    return kBad;
  out.hardware[0] = static_cast<char>('0' + d);
  if (!c.digit(d))
    return kBad;
  out.hardware[1] = static_cast<char>('0' + d);

  if (!c.expect(',') || !c.expect('V'))
    return kBad;
  out.software[0] = 'V';
  if (!c.digit(d))
    return kBad;
  out.software[1] = static_cast<char>('0' + d);
  if (!c.expect('.'))
    return kBad;
  out.software[2] = '.';
  for (int k = 3; k < 5; ++k) {
    if (!c.digit(d))
      return kBad;
    out.software[k] = static_cast<char>('0' + d);
  }
  const DeviceModelType type = model_type_from_name(out.model);
  if (has_pps_fields(type)) {
    if (!c.digit(d))
      return kBad;
    out.software[5] = static_cast<char>('0' + d);
  }
  return c.expect('*') ? kOk : kBad;
}

// $PKEXS,A,08,1,-12,5545.1234567,N,03737.1234,E,145.3,M*
ResultCode parse_pkexs(const char* text, std::size_t size, ExtraInfo& out) {
  out = ExtraInfo{};
  Cursor c(text, size);
  if (!c.expect(','))
    return kBad;
  if (c.expect('A')) {
    out.status_valid = 1;
  } else {
    c.expect('V');
  }
  if (!c.expect(','))
    return kBad;

  std::int32_t satellites = 0;
  c.digits(2, 2, satellites);
  if (out.status_valid)
    out.satellites = satellites;
  if (!c.expect(','))
    return kBad;

  if (c.expect('1')) {
    out.heating = 1;
  } else {
    c.expect('0');
  }
  if (!c.expect(','))
    return kBad;

  if (c.peek() != ',') {
    out.temperature_present = 1;
    const bool negative = c.expect('-');
    c.digits(2, 2, out.temperature);
    if (negative)
      out.temperature = -out.temperature;
  }
  if (!c.expect(','))
    return kBad;

  parse_coordinate(c, 2, out.lat_deg, out.lat_min, out.lat_frac, out.lat_frac_digits,
                   out.lat_present);
  if (!c.expect(','))
    return kBad;
  if (c.peek() == 'N' || c.peek() == 'S') {
    out.lat_hemisphere = c.peek();
    c.expect(c.peek());
  }
  if (!c.expect(','))
    return kBad;

  parse_coordinate(c, 3, out.lon_deg, out.lon_min, out.lon_frac, out.lon_frac_digits,
                   out.lon_present);
  if (!c.expect(','))
    return kBad;
  if (c.peek() == 'E' || c.peek() == 'W') {
    out.lon_hemisphere = c.peek();
    c.expect(c.peek());
  }
  if (!c.expect(','))
    return kBad;

  if (c.peek() != ',') {
    out.alt_present = 1;
    const bool negative = c.expect('-');
    if (!negative)
      c.expect('+');
    out.alt_negative = negative ? 1 : 0;
    // Nine digits hold any altitude a clock can report and cannot overflow; a tenth is an error.
    if (c.digits(10, 9, out.alt_int) > 9)
      return kBad;
    if (negative)
      out.alt_int = -out.alt_int;
    if (c.expect('.')) {
      out.alt_frac_digits = c.digits(kUnbounded, 7, out.alt_frac);
      if (out.alt_frac_digits > 7)
        out.alt_frac_digits = 7;
    }
  }
  if (!c.expect(','))
    return kBad;
  if (!c.expect('M'))
    c.expect('m');
  return c.expect('*') ? kOk : kBad;
}

// $PKEXE,01*
ResultCode parse_pkexe(const char* text, std::size_t size, DeviceErrorRecord& out) {
  out = DeviceErrorRecord{};
  Cursor c(text, size);
  int code = 0;
  if (!c.expect(',') || !c.two_digits(code))
    return kBad;
  out.code = code;
  return c.expect('*') ? kOk : kBad;
}

namespace {

// "0N,DDDD": the journal number 1..3 (stored minus 1) and four digits.
bool parse_journal_prefix(Cursor& c, std::int32_t& journal, std::int32_t& number) {
  int j = 0, hi = 0, lo = 0;
  if (!c.expect(',') || !c.two_digits(j) || j < 1 || j > 3)
    return false;
  journal = j - 1;
  if (!c.expect(',') || !c.two_digits(hi) || !c.two_digits(lo))
    return false;
  number = hi * 100 + lo;
  return true;
}

}  // namespace

// $PKEXJ,01,0120*
ResultCode parse_pkexj_header(const char* text, std::size_t size, JournalHeader& out) {
  out = JournalHeader{};
  Cursor c(text, size);
  if (!parse_journal_prefix(c, out.journal, out.count))
    return kBad;
  return c.expect('*') ? kOk : kBad;
}

// $PKEXJ,01,0007,0412000078563412*  (hex little nibble first: event, value16, 2 unused, value32)
ResultCode parse_pkexj_record(const char* text, std::size_t size, JournalRecordEntry& out) {
  out = JournalRecordEntry{};
  Cursor c(text, size);
  if (!parse_journal_prefix(c, out.journal, out.number) || !c.expect(','))
    return kBad;
  const std::size_t start = c.pos();
  const int count = c.hex_run(16);
  if (!c.expect('*'))
    return kBad;

  char hex[16];
  std::memset(hex, '0', sizeof hex);
  std::memcpy(hex, c.at(start), static_cast<std::size_t>(count));
  const std::uint32_t event = hex_little_nibble_first(hex, 2);
  const std::uint32_t value16 = hex_little_nibble_first(hex + 2, 4);
  out.event_and_value = event | value16 << 16;
  out.value32 = hex_little_nibble_first(hex + 8, 8);
  return kOk;
}

}  // namespace tk52

// Request builders. Each request is a proprietary sentence named after the reply it expects,
// framed "$<body>*HH\r\n". A Request owns its text, so two requests never share a buffer.
#pragma once

#include <cstddef>
#include <string_view>

#include "protocol/device_model.h"
#include "protocol/framing.h"
#include "protocol/sentence_kind.h"

namespace tk52 {

class Request {
 public:
  const char* data() const { return text_; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {text_, size_}; }

 private:
  friend Request frame_request(std::string_view body);
  char text_[kFrameCapacity] = {};
  std::size_t size_ = 0;
};

Request frame_request(std::string_view body);

// The bare name of a reply kind: the configuration, identification, extra information and
// self-diagnostic queries.
Request build_query(SentenceKind kind);

// The configuration write as sent on the wire. Digits, not list positions: satellite systems
// 0..3 and UTC reference 1..2 as the clock numbers them.
struct ConfigurationDigits {
  int time_stamp_format;
  int satellite_systems;
  int utc_reference;
  int heating;
  int pps_source;
  int pps_width;  // sent as three digits, zero-padded
};

// Types 1 and 2 send four fields, types 3 and 4 six. Type 0 has no layout of its own and gets
// the four-field one, the layout every clock understands.
Request build_configuration_write(DeviceModelType model, const ConfigurationDigits& digits);

// Speed change to list position 0..6 (2400..115200 bit/s); the wire carries position + 1.
Request build_speed_change(int speed_index);

enum class JournalCommand { kCount, kClear, kRecord };
// Journal request for journal 1..3: "num", "clr" or "evt,NNNN".
Request build_journal_request(int journal, JournalCommand command, int record_number = 0);

// The periodic poll's fixed query: the framing of "PKEXS".
inline constexpr std::string_view kExtraInfoQuery = "$PKEXS*55\r\n";

}  // namespace tk52

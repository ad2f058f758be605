#include "protocol/requests.h"

#include <algorithm>
#include <cstdio>

namespace tk52 {
namespace {

// A body formatted with snprintf into a cleared buffer; a failed or cut format frames what fits.
struct Body {
  char text[kFrameCapacity] = {};
  int length = 0;

  Request frame() const {
    const auto size = std::clamp(length, 0, static_cast<int>(sizeof text) - 1);
    return frame_request({text, static_cast<std::size_t>(size)});
  }
};

}  // namespace

Request frame_request(std::string_view body) {
  Request request;
  request.size_ = frame_body(body, request.text_);
  return request;
}

Request build_query(SentenceKind kind) {
  return frame_request(kind_name(kind));
}

Request build_configuration_write(DeviceModelType model, const ConfigurationDigits& d) {
  Body body;
  if (has_pps_fields(model)) {
    body.length = std::snprintf(body.text, sizeof body.text, "%s,%.1d,%.1d,%.1d,%.1d,%.1d,%03d",
                                "PKEXC", d.time_stamp_format, d.satellite_systems, d.utc_reference,
                                d.heating, d.pps_source, std::clamp(d.pps_width, 0, 999));
  } else {
    body.length =
        std::snprintf(body.text, sizeof body.text, "%s,%.1d,%.1d,%.1d,%.1d", "PKEXC",
                      d.time_stamp_format, d.satellite_systems, d.utc_reference, d.heating);
  }
  return body.frame();
}

Request build_speed_change(int speed_index) {
  Body body;
  body.length = std::snprintf(body.text, sizeof body.text, "%s,%.1d", "PKEXR", speed_index + 1);
  return body.frame();
}

Request build_journal_request(int journal, JournalCommand command, int record_number) {
  Body body;
  switch (command) {
    case JournalCommand::kCount:
      body.length =
          std::snprintf(body.text, sizeof body.text, "%s,0%.1d,%s", "PKEXJ", journal, "num");
      break;
    case JournalCommand::kClear:
      body.length =
          std::snprintf(body.text, sizeof body.text, "%s,0%.1d,%s", "PKEXJ", journal, "clr");
      break;
    case JournalCommand::kRecord:
      body.length = std::snprintf(body.text, sizeof body.text, "%s,0%.1d,evt,%04d", "PKEXJ",
                                  journal, std::clamp(record_number, 0, 9999));
      break;
  }
  return body.frame();
}

}  // namespace tk52

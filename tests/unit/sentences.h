// Helpers that build wire sentences for the tests, with correct checksums and CRCs.
#pragma once

#include <cstdio>
#include <string>

#include "protocol/framing.h"
#include "protocol/requests.h"

namespace tk52::test {

// "$<body>*HH\r\n" with the correct checksum.
inline std::string sentence(const std::string& body) {
  return std::string(frame_request(body).view());
}

// A time sentence: `fields` are everything between "PKEXT," and the CRC field; the CRC over
// them is appended as four upper-case digits.
inline std::string time_sentence(const std::string& name, const std::string& fields) {
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X",
                static_cast<unsigned>(crc16_ccitt_false(fields.data(), fields.size())));
  return sentence(name + "," + fields + "," + crc);
}

}  // namespace tk52::test

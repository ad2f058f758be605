// Reply parsers. Each checks a received sentence (text from its "$", size including CR LF)
// character by character from position 6 and decodes it into its record. They return 0x1000
// when the whole sentence matched, 0x1001 at the first character that breaks the pattern (the
// record may then be partly filled) and 0x1003 when a time sentence's CRC does not match.
// They never read outside [text, text + size) and allocate nothing.
#pragma once

#include <cstddef>

#include "protocol/device_model.h"
#include "protocol/records.h"
#include "protocol/result_codes.h"

namespace tk52 {

ResultCode parse_pkext(const char* text, std::size_t size, TimeRecord& out);
ResultCode parse_pkexu(const char* text, std::size_t size, TimeRecord& out);
ResultCode parse_pkexc_result(const char* text, std::size_t size, ResultCodeRecord& out);
ResultCode parse_pkexc_config(const char* text, std::size_t size, DeviceModelType model,
                              DeviceConfiguration& out);
ResultCode parse_pkexr(const char* text, std::size_t size, SpeedReply& out);
ResultCode parse_pkexi(const char* text, std::size_t size, IdentificationRecord& out);
ResultCode parse_pkexs(const char* text, std::size_t size, ExtraInfo& out);
ResultCode parse_pkexd(const char* text, std::size_t size, ResultCodeRecord& out);
ResultCode parse_pkexe(const char* text, std::size_t size, DeviceErrorRecord& out);
ResultCode parse_pkexj_header(const char* text, std::size_t size, JournalHeader& out);
ResultCode parse_pkexj_record(const char* text, std::size_t size, JournalRecordEntry& out);

}  // namespace tk52

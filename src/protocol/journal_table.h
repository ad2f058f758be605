// The journal record table: 2000 rows addressed by record number, filled by the PKEXJ reply
// handler on the reader thread and read by the journals page.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "protocol/records.h"

namespace tk52 {

struct JournalRecord {
  std::int32_t type = -1;    // journal index 0..2; -1 marks an empty row
  std::int32_t number = -1;  // record number as the clock sent it
  std::uint8_t code = 0;     // event code
  std::uint16_t parameter = 0;
  std::uint32_t time = 0;  // seconds since 2011-01-01 00:00:00 UTC
  std::int32_t shown = 0;  // 1 once turned into a text line; kept when the row is refilled
};

class JournalRecordTable {
 public:
  static constexpr int kRows = 2000;

  // Every row empty: type -1, number -1, the rest 0.
  void reset();

  // Fills row `entry.number`, keeping its shown flag. Numbers outside 0..1999 are not stored
  // (the clock numbers up to 9999) and false is returned.
  bool store(const JournalRecordEntry& entry);

  // A copy of the row; an empty row for numbers outside the table.
  JournalRecord row(int number) const;
  void mark_shown(int number);

 private:
  mutable std::mutex mutex_;
  std::array<JournalRecord, kRows> rows_{};
};

}  // namespace tk52

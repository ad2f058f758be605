// The clock's three event journals (1 link, 2 restart, 3 diagnostic). They are seeded so that a
// full read shows every event code 0..20 with every parameter text, the out-of-range values the
// configurator must survive, and the edges of the time stamp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tk52::sim {

struct JournalRecord {
  std::uint8_t event;
  std::uint16_t parameter;
  std::uint32_t time;  // seconds since 2011-01-01 00:00:00 UTC

  friend bool operator==(const JournalRecord&, const JournalRecord&) = default;
};

inline constexpr int kJournalCount = 3;
inline constexpr int kMaxJournalRecords = 9999;  // the wire carries four digits

class Journals {
 public:
  Journals();

  // Journal 1..3; callers check the range.
  const std::vector<JournalRecord>& records(int journal) const;
  void clear(int journal);
  // Regenerates journal 1..3 with `count` records, repeating its seed with later times.
  void resize(int journal, int count);

 private:
  std::array<std::vector<JournalRecord>, kJournalCount> journals_;
};

// The 16 hexadecimal characters of a record reply, each value little nibble first: event code
// (2), parameter (4), two unused characters, time (8).
std::string encode_record(const JournalRecord& record);

}  // namespace tk52::sim

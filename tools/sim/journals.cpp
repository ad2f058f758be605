#include "journals.h"

#include <initializer_list>

namespace tk52::sim {
namespace {

struct EventCases {
  std::uint8_t event;
  std::initializer_list<std::uint16_t> parameters;
};

// Every code with each parameter whose text differs, the first value past each listed range
// (cause 6, systems 4, PPS source 3, format 9), the edges of a 16-bit parameter and two codes
// without a text.
constexpr EventCases kLinkJournal[] = {
    {0, {12, 0}},
    {1, {0}},
    {2, {1}},
    {3, {0}},
    {4, {0}},
    {5, {0, 1, 2, 3, 4, 5, 6}},
    {6, {0}},
    {7, {123}},
    {8, {3650}},
    {9, {2900}},
    {10, {0}},
    {11, {1}},
    {12, {2}},
    {13, {3}},
    {14, {0, 1, 2, 3, 4}},
    {15, {0, 1, 2, 3}},
    {16, {65535}},
    {17, {0}},
    {18, {5, 0, 65535}},
    {19, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {20, {0}},
    {21, {7}},
    {255, {255}},
};
constexpr EventCases kRestartJournal[] = {
    {4, {0}}, {5, {0, 1, 2, 3, 4, 5, 6, 7}}, {6, {0}}, {7, {124}}, {16, {1}}, {22, {0}},
};
constexpr EventCases kDiagnosticJournal[] = {
    {8, {3600}}, {9, {2800}}, {10, {0}}, {18, {1, 65535}}, {19, {2, 3, 200}}, {20, {0}}, {40, {1}},
};

template <std::size_t N>
std::vector<JournalRecord> expand(const EventCases (&table)[N]) {
  std::vector<JournalRecord> seed;
  for (const EventCases& cases : table) {
    for (std::uint16_t parameter : cases.parameters)
      seed.push_back({cases.event, parameter, 0});
  }
  return seed;
}

std::vector<JournalRecord> seed_of(int journal) {
  switch (journal) {
    case 1:
      return expand(kLinkJournal);
    case 2:
      return expand(kRestartJournal);
    default:
      return expand(kDiagnosticJournal);
  }
}

constexpr std::uint32_t kDay = 86400;
// The first records land on the epoch itself, its last second, and the leap days of 2012 and
// 2016; the last record of the seed lies at the far end of the 32-bit range.
constexpr std::uint32_t kEdgeTimes[] = {0, kDay - 1, 424 * kDay + 43200, 1885 * kDay + 3600};
constexpr std::uint32_t kFarFuture = 0xFFFFFFFF;
constexpr std::uint32_t kRecentBase = 5600 * kDay;  // mid 2026
constexpr std::uint32_t kSpacing = 3671;            // records an hour or so apart

std::vector<JournalRecord> generate(int journal, int count) {
  const std::vector<JournalRecord> seed = seed_of(journal);
  std::vector<JournalRecord> records;
  records.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    JournalRecord record = seed[i % seed.size()];
    if (i < std::size(kEdgeTimes)) {
      record.time = kEdgeTimes[i];
    } else if (i == seed.size() - 1) {
      record.time = kFarFuture;
    } else {
      record.time = kRecentBase + static_cast<std::uint32_t>(i) * kSpacing;
    }
    records.push_back(record);
  }
  return records;
}

void append_little_nibble_first(std::string& text, std::uint32_t value, int digits) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (int k = 0; k < digits; ++k, value >>= 4)
    text += kHex[value & 0xF];
}

}  // namespace

Journals::Journals() {
  for (int j = 1; j <= kJournalCount; ++j) {
    resize(j, static_cast<int>(seed_of(j).size()));
  }
}

const std::vector<JournalRecord>& Journals::records(int journal) const {
  return journals_[static_cast<std::size_t>(journal - 1)];
}

void Journals::clear(int journal) {
  journals_[static_cast<std::size_t>(journal - 1)].clear();
}

void Journals::resize(int journal, int count) {
  journals_[static_cast<std::size_t>(journal - 1)] = generate(journal, count);
}

std::string encode_record(const JournalRecord& record) {
  std::string text;
  text.reserve(16);
  append_little_nibble_first(text, record.event, 2);
  append_little_nibble_first(text, record.parameter, 4);
  text += "00";
  append_little_nibble_first(text, record.time, 8);
  return text;
}

}  // namespace tk52::sim

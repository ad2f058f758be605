#include "protocol/journal_table.h"

namespace tk52 {
namespace {

bool in_table(int number) {
  return number >= 0 && number < JournalRecordTable::kRows;
}

}  // namespace

void JournalRecordTable::reset() {
  std::lock_guard lock(mutex_);
  rows_.fill(JournalRecord{});
}

bool JournalRecordTable::store(const JournalRecordEntry& entry) {
  if (!in_table(entry.number))
    return false;
  std::lock_guard lock(mutex_);
  JournalRecord& target = rows_[static_cast<std::size_t>(entry.number)];
  target.type = entry.journal;
  target.number = entry.number;
  target.code = entry.event();
  target.parameter = entry.value16();
  target.time = entry.value32;
  return true;
}

JournalRecord JournalRecordTable::row(int number) const {
  if (!in_table(number))
    return JournalRecord{};
  std::lock_guard lock(mutex_);
  return rows_[static_cast<std::size_t>(number)];
}

void JournalRecordTable::mark_shown(int number) {
  if (!in_table(number))
    return;
  std::lock_guard lock(mutex_);
  rows_[static_cast<std::size_t>(number)].shown = 1;
}

}  // namespace tk52

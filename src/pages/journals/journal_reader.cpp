#include "pages/journals/journal_reader.h"

#include <mutex>
#include <string>
#include <utility>

#include "app/exchange.h"
#include "pages/journals/journal_texts.h"

namespace tk52 {

JournalReader::JournalReader(Configurator& configurator, JournalsView& view, ShellView& shell,
                             TimerService& timers)
    : configurator_(configurator), view_(view), shell_(shell), timers_(timers) {
  configurator_.add_operation(OperationCode::kReadWholeJournal,
                              [this] { configurator_.report(read_whole_journal().message); });
  configurator_.add_operation(OperationCode::kCountJournal,
                              [this] { configurator_.report(read_count().message); });
  configurator_.add_operation(OperationCode::kReadJournalRecords,
                              [this] { configurator_.report(read_records().message); });
  configurator_.add_operation(OperationCode::kClearJournal,
                              [this] { configurator_.report(clear_journal().message); });
  configurator_.add_notification_handler(ReplyKind::kJournal, *this);
  configurator_.add_listener(*this);
}

int JournalReader::journal_number() {
  return view_.journal_type() + 1;
}

Outcome JournalReader::request(JournalCommand command, int record, int attempts) {
  std::lock_guard lock(configurator_.protocol().operation_lock());
  // Journal requests stay out of the traffic log, as their replies do.
  const ResultCode code =
      exchange(configurator_.protocol(), configurator_.port(), SentenceKind::kPkexj,
               build_journal_request(journal_number(), command, record),
               {.attempts = attempts, .quiet = true});
  shell_.set_status({}, true);
  return outcome_of(code);
}

Outcome JournalReader::start_pass(ReadMode mode) {
  mode_ = mode;
  configurator_.reserve_line();
  configurator_.protocol().journal_table().reset();
  shown_beyond_table_.clear();
  records_.clear();
  view_.clear_lines();
  view_.enable_controls(false);
  displayed_ = 0;
  counted_ = false;
  timers_.start(kWatchdogTimer, kWatchdog);
  return request(JournalCommand::kCount);
}

Outcome JournalReader::read_whole_journal() {
  return start_pass(ReadMode::kWhole);
}
Outcome JournalReader::read_records() {
  return start_pass(ReadMode::kGiven);
}
Outcome JournalReader::read_count() {
  return request(JournalCommand::kCount);
}
Outcome JournalReader::clear_journal() {
  return request(JournalCommand::kClear);
}

Outcome JournalReader::pass_outcome() const {
  // Without the count nothing is known of the journal.
  if (!counted_)
    return outcome_of(result::kNoReply);
  if (displayed_ >= total_)
    return {};
  return {.code = result::kNoReply, .message = {.id = MessageId::kJournalIncomplete}};
}

void JournalReader::on_notification(const ReplyNotification& notification) {
  if (configurator_.protocol().slots().take(SentenceKind::kPkexj, nullptr) != result::kOk ||
      !configurator_.connected()) {
    return;
  }
  const int number = notification.number;
  switch (notification.journal_form()) {
    case JournalForm::kHeader:
      return on_count(number);
    case JournalForm::kRecordStored:
      return on_record(number);
    case JournalForm::kRecordAdvance:
      next_ = number + 1;
      return;
  }
}

void JournalReader::on_count(int count) {
  if (mode_ != ReadMode::kNone) {
    total_ = count;
    if (mode_ == ReadMode::kGiven) {
      int wanted = 0;
      try {
        wanted = std::stoi(view_.records_wanted_text());
      } catch (const std::exception&) {
        wanted = 0;
      }
      wanted = wanted >= 1000 ? 999 : (wanted <= 0 ? 1 : wanted);
      if (wanted > count) {
        view_.set_records_wanted_text(std::to_string(count));
      } else {
        total_ = wanted;
      }
    }
    mode_ = ReadMode::kNone;
    counted_ = true;
    // Record 0 is asked for even of an empty journal, once: the clock refuses it, and a read of
    // 0 of 0 records is complete, so neither that refusal nor the missing reply is news.
    if (total_ == 0) {
      configurator_.expect_device_refusal();
      request(JournalCommand::kRecord, 0, 1);
    } else {
      configurator_.report(request(JournalCommand::kRecord, 0).message);
    }
    timers_.start(kPacingTimer, kPacing);
  }
  view_.set_total_text(std::to_string(count));
}

void JournalReader::on_record(int number) {
  JournalRecordTable& table = configurator_.protocol().journal_table();
  std::uint8_t code = 0;
  std::uint16_t parameter = 0;
  std::uint32_t time = 0;
  if (number < JournalRecordTable::kRows) {
    const JournalRecord row = table.row(number);
    if (row.type < 0 || row.shown != 0)
      return;
    table.mark_shown(number);
    code = row.code;
    parameter = row.parameter;
    time = row.time;
  } else {
    // No row for it: the reply in the slot is this record's, since records are asked for one at
    // a time. It is shown all the same, with its number and code as the clock sent them.
    if (!shown_beyond_table_.insert(number).second)
      return;
    ReplyPayload payload{};
    configurator_.protocol().slots().take(SentenceKind::kPkexj, &payload);
    const auto entry = load_record<JournalRecordEntry>(payload);
    code = entry.event();
    parameter = entry.value16();
    time = entry.value32;
  }
  if (timers_.running(kWatchdogTimer)) {
    timers_.start(kWatchdogTimer, kWatchdog);
    ++displayed_;
  }
  const JournalEntry& record = records_.emplace_back(
      JournalEntry{.number = number, .time = time, .code = code, .parameter = parameter});
  view_.append_line(journal_line(record));
}

void JournalReader::on_timer(int id) {
  if (id == kPacingTimer) {
    // Taken before the request: a failed request's message box runs a message loop, in which
    // this timer ticks again and must not ask for the same record once more.
    const int next = std::exchange(next_, 0);
    if (next != 0 && next < total_)
      configurator_.report(request(JournalCommand::kRecord, next).message);
    return;
  }
  if (id == kWatchdogTimer)
    end_pass();
}

void JournalReader::end_pass() {
  timers_.stop(kPacingTimer);
  timers_.stop(kWatchdogTimer);
  view_.append_line({});
  if (displayed_ < total_)
    show(shell_, {.id = MessageId::kJournalIncomplete});
  view_.enable_controls(true);
}

void JournalReader::on_connected_changed(bool connected) {
  view_.enable_commands(connected);
  // A pass whose clock went away asks for nothing more (the port is closed: every request
  // would fail with a message of its own); its watchdog ends it with the incomplete-read warning.
  if (!connected)
    timers_.stop(kPacingTimer);
}

}  // namespace tk52

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
  configurator_.add_operation(OperationCode::kReadWholeJournal, [this] { read_whole_journal(); });
  configurator_.add_operation(OperationCode::kCountJournal, [this] { read_count(); });
  configurator_.add_operation(OperationCode::kReadJournalRecords, [this] { read_records(); });
  configurator_.add_operation(OperationCode::kClearJournal, [this] { clear_journal(); });
  configurator_.add_notification_handler(ReplyKind::kJournal, *this);
  configurator_.add_listener(*this);
}

int JournalReader::journal_number() {
  return view_.journal_type() + 1;
}

ResultCode JournalReader::request(JournalCommand command, int record, bool quiet) {
  ResultCode code = result::kNotPerformed;
  {
    std::lock_guard lock(configurator_.protocol().operation_lock());
    // Journal requests stay out of the traffic log, as their replies do.
    code = exchange(configurator_.protocol(), configurator_.port(), SentenceKind::kPkexj,
                    build_journal_request(journal_number(), command, record), {3, false, true});
    shell_.set_status({}, true);
  }
  if (!quiet)
    configurator_.show_result(code);
  return code;
}

void JournalReader::start_pass(ReadMode mode) {
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
  request(JournalCommand::kCount);
}

void JournalReader::read_whole_journal() {
  start_pass(ReadMode::kWhole);
}
void JournalReader::read_records() {
  start_pass(ReadMode::kGiven);
}
void JournalReader::read_count() {
  request(JournalCommand::kCount);
}
void JournalReader::clear_journal() {
  request(JournalCommand::kClear);
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
    // Record 0 is asked for even of an empty journal; whatever the clock answers, a read of 0
    // of 0 records is complete, so its failure is nobody's concern.
    request(JournalCommand::kRecord, 0, total_ == 0);
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
  records_.push_back({number, time, code, parameter});
  view_.append_line(journal_line(number, time, code, parameter));
}

void JournalReader::on_timer(int id) {
  if (id == kPacingTimer) {
    // Taken before the request: a failed request's message box runs a message loop, in which
    // this timer ticks again and must not ask for the same record once more.
    const int next = std::exchange(next_, 0);
    if (next != 0 && next < total_)
      request(JournalCommand::kRecord, next);
    return;
  }
  if (id == kWatchdogTimer)
    end_pass();
}

void JournalReader::end_pass() {
  timers_.stop(kPacingTimer);
  timers_.stop(kWatchdogTimer);
  view_.append_line({});
  if (displayed_ < total_) {
    shell_.show_message("Внимание!", "Не удалось считать весь журнал.", MessageIcon::kWarning);
  }
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

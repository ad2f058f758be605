// Reading the clock's event journals: the record count, then the records one request at a time,
// each turned into a line of "event_journal.txt". Runs on the user interface thread: the
// replies arrive as notifications, a 10 ms timer paces the requests, and a 1 s watchdog ends a
// pass once no record has come for a second.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "app/configurator.h"
#include "app/timers.h"
#include "app/views.h"
#include "pages/journals/journal_export.h"
#include "protocol/requests.h"

namespace tk52 {

class JournalReader final : public ConnectedStateListener, public NotificationHandler {
 public:
  static constexpr int kPacingTimer = 1;
  static constexpr int kWatchdogTimer = 2;
  static constexpr std::chrono::milliseconds kPacing{10};
  static constexpr std::chrono::milliseconds kWatchdog{1000};

  // Registers the page's read, count and clear commands, the journal replies and the connected
  // state with the configurator.
  JournalReader(Configurator& configurator, JournalsView& view, ShellView& shell,
                TimerService& timers);
  JournalReader(const JournalReader&) = delete;
  JournalReader& operator=(const JournalReader&) = delete;

  // Each returns the outcome of its first request; a read pass goes on with the replies, and
  // pass_outcome() tells how it ended.
  Outcome read_whole_journal();
  Outcome read_count();
  Outcome read_records();
  Outcome clear_journal();
  // The last pass: OK when it read every record it was to read.
  Outcome pass_outcome() const;

  // The journal's record count, a record to show, or a record after which to ask for the next.
  void on_notification(const ReplyNotification& notification) override;
  void on_timer(int id);
  void on_connected_changed(bool connected) override;

  bool reading() const { return timers_.running(kWatchdogTimer); }
  int total() const { return total_; }
  int displayed() const { return displayed_; }
  // True once the current pass has the journal's record count (and so its total).
  bool counted() const { return counted_; }
  // The records shown by the current (or last) pass, in the order shown.
  const std::vector<JournalEntry>& records() const { return records_; }

 private:
  enum class ReadMode { kNone, kWhole, kGiven };

  Outcome start_pass(ReadMode mode);
  Outcome request(JournalCommand command, int record = 0, int attempts = 3);
  void on_count(int count);
  void on_record(int number);
  void end_pass();
  int journal_number();

  Configurator& configurator_;
  JournalsView& view_;
  ShellView& shell_;
  TimerService& timers_;
  ReadMode mode_ = ReadMode::kNone;
  int total_ = 0;
  int next_ = 0;
  int displayed_ = 0;
  bool counted_ = false;
  // Records numbered beyond the table have no row to carry their shown flag.
  std::set<int> shown_beyond_table_;
  std::vector<JournalEntry> records_;
};

}  // namespace tk52

#include "headless.h"

#include <thread>
#include <utility>

namespace tk52::cli {

void HeadlessShell::set_status(std::string_view text, bool) {
  status = text;
  status_history.emplace_back(text);
}

void HeadlessShell::show_message(std::string_view title, std::string_view text, MessageIcon icon) {
  messages.push_back({std::string(title), std::string(text), icon});
  if (on_message)
    on_message(messages.back());
}

void HeadlessConfigurationView::select_speed(int position) {
  speed = position;
  speeds_shown.push_back(position);
  if (on_speed)
    on_speed(position);
}

bool HeadlessConfigurationView::is_enabled(ConfigControl control) {
  const auto found = enabled_.find(control);
  return found == enabled_.end() || found->second;
}

void HeadlessConfigurationView::show_identity(std::string_view model, std::string_view hardware,
                                              std::string_view software) {
  identity = {std::string(model), std::string(hardware), std::string(software)};
}

void HeadlessJournalsView::append_line(std::string_view line) {
  lines.emplace_back(line);
  if (on_line)
    on_line(std::string(line) + "\r\n");
}

void HeadlessJournalsView::clear_lines() {
  lines.clear();
}

void HeadlessTimers::start(int id, std::chrono::milliseconds period) {
  due_[id] = {std::chrono::steady_clock::now() + period, period};
}

std::vector<int> HeadlessTimers::take_due() {
  const auto now = std::chrono::steady_clock::now();
  std::vector<int> due;
  for (auto& [id, timer] : due_) {
    if (timer.next <= now) {
      due.push_back(id);
      timer.next = now + timer.period;
    }
  }
  return due;
}

bool NotificationQueue::post_reply(const ReplyNotification& notification) {
  std::lock_guard lock(mutex_);
  queue_.push_back(notification);
  return true;
}

void NotificationQueue::counters_changed() {
  std::lock_guard lock(mutex_);
  ++redraws_;
}

std::deque<ReplyNotification> NotificationQueue::take_all() {
  std::lock_guard lock(mutex_);
  return std::exchange(queue_, {});
}

int NotificationQueue::redraws() const {
  std::lock_guard lock(mutex_);
  return redraws_;
}

HeadlessConfigurator::HeadlessConfigurator(LineQueue::Consumer line_consumer, const Clock& clock)
    : log_lines(std::move(line_consumer)),
      configurator(
          std::make_unique<Configurator>(shell, notifications, log_lines, settings, clock)),
      connection_operations(std::make_unique<ConnectionOperations>(*configurator, configuration)),
      configuration_operations(
          std::make_unique<ConfigurationOperations>(*configurator, configuration)),
      monitoring_operations(std::make_unique<MonitoringOperations>(*configurator, monitoring)),
      journal_reader(std::make_unique<JournalReader>(*configurator, journals, shell, timers)) {}

HeadlessConfigurator::~HeadlessConfigurator() {
  // The pages go first (the poller stops), then the port, and only then the log that they write
  // into.
  journal_reader.reset();
  monitoring_operations.reset();
  configuration_operations.reset();
  connection_operations.reset();
  configurator.reset();
  log_lines.flush();
}

void HeadlessConfigurator::pump() {
  for (const ReplyNotification& n : notifications.take_all())
    configurator->handle_notification(n);
  for (int id : timers.take_due()) {
    // A handler may have stopped a timer that was due in the same round.
    if (timers.running(id))
      journal_reader->on_timer(id);
  }
}

bool HeadlessConfigurator::pump_until(const std::function<bool()>& done,
                                      std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pump();
    if (done())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace tk52::cli

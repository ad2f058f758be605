#include "headless.h"

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
}

bool HeadlessConfigurationView::is_enabled(ConfigControl control) {
  const auto found = enabled_.find(control);
  return found == enabled_.end() || found->second;
}

void HeadlessConfigurationView::show_identity(std::string_view model, std::string_view hardware,
                                              std::string_view software) {
  identity = {std::string(model), std::string(hardware), std::string(software)};
}

bool NotificationQueue::post_reply(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
  std::lock_guard lock(mutex_);
  queue_.push_back({message, wparam, lparam});
  return true;
}

void NotificationQueue::counters_changed() {
  std::lock_guard lock(mutex_);
  ++redraws_;
}

std::deque<Notification> NotificationQueue::take_all() {
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
          std::make_unique<Configurator>(ConfiguratorViews{shell, configuration, monitoring},
                                         notifications, log_lines, settings, clock)) {}

HeadlessConfigurator::~HeadlessConfigurator() {
  // The port and the poller stop before the log that they write into.
  configurator.reset();
  log_lines.flush();
}

void HeadlessConfigurator::pump() {
  for (const Notification& n : notifications.take_all()) {
    configurator->handle_notification(n.message, n.wparam, n.lparam);
  }
}

}  // namespace tk52::cli

// A ProtocolEvents that records everything the dispatcher hands on, for the tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "protocol/protocol.h"

namespace tk52::test {

struct Notification {
  ReplyNotification notification;
  DeviceModelType model_at_post;
};

struct LoggedSentence {
  std::string text;
  bool good;
};

class RecordingEvents : public ProtocolEvents {
 public:
  bool post_reply(const ReplyNotification& notification) override {
    std::lock_guard lock(mutex);
    notifications.push_back(
        {notification, protocol ? protocol->model_type() : DeviceModelType::kUnknown});
    return post_succeeds;
  }
  void log_received(const char* text, std::size_t size, const CalendarTime&, bool good) override {
    std::lock_guard lock(mutex);
    logged.push_back({std::string(text, size), good});
  }
  void counters_changed() override {
    std::lock_guard lock(mutex);
    ++redraws;
  }
  void time_received(const TimeRecord& time, const CalendarTime& arrival) override {
    std::lock_guard lock(mutex);
    times.push_back(time);
    arrivals.push_back(arrival);
  }

  std::mutex mutex;
  const Protocol* protocol = nullptr;
  bool post_succeeds = true;
  std::vector<Notification> notifications;
  std::vector<LoggedSentence> logged;
  std::vector<TimeRecord> times;
  std::vector<CalendarTime> arrivals;
  int redraws = 0;
};

}  // namespace tk52::test

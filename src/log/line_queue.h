// A LogLineSink with one consumer thread: producers on any thread hand lines over without
// waiting for anything but a short lock, and the consumer writes them in submission order.
// tk52cli and the tests use it where the Windows program posts lines to its log view.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "log/traffic_log.h"

namespace tk52 {

class LineQueue final : public LogLineSink {
 public:
  using Consumer = std::function<void(const std::string& line)>;

  explicit LineQueue(Consumer consumer);
  // Writes every line still queued, then ends the consumer.
  ~LineQueue() override;
  LineQueue(const LineQueue&) = delete;
  LineQueue& operator=(const LineQueue&) = delete;

  void append_line(std::string line) override;

  // Waits until every line appended so far has been consumed.
  void flush();

 private:
  void run();

  Consumer consumer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tk52

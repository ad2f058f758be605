#include "log/line_queue.h"

namespace tk52 {

LineQueue::LineQueue(Consumer consumer) : consumer_(std::move(consumer)) {
  thread_ = std::thread([this] { run(); });
}

LineQueue::~LineQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void LineQueue::append_line(std::string line) {
  {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  changed_.notify_all();
}

void LineQueue::flush() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return lines_.empty() && !busy_; });
}

void LineQueue::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !lines_.empty(); });
    if (lines_.empty())
      return;  // stopping, and everything written
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    busy_ = true;
    lock.unlock();
    consumer_(line);
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace tk52

#include "output_queue.h"

#include <algorithm>

namespace tk52::sim {

void OutputQueue::push(Outgoing item) {
  auto position = items_.begin();
  if (sent_ > 0 && position != items_.end())
    ++position;
  position = std::upper_bound(position, items_.end(), item.due,
                              [](Micros due, const Outgoing& other) { return due < other.due; });
  items_.insert(position, std::move(item));
}

Micros OutputQueue::head_start() const {
  if (sent_ > 0)
    return started_;
  return rate_ > 0 ? std::max(items_.front().due, line_free_) : items_.front().due;
}

std::string_view OutputQueue::ready(Micros now) {
  if (items_.empty())
    return {};
  const Micros start = head_start();
  if (now < start)
    return {};
  const std::string& bytes = items_.front().bytes;
  std::size_t allowed = bytes.size();
  if (rate_ > 0) {
    const auto on_line = static_cast<std::size_t>((now - start) / frame_time() + 1);
    allowed = std::min(allowed, on_line);
  }
  if (sent_ == 0)
    started_ = start;
  return std::string_view(bytes).substr(sent_, allowed > sent_ ? allowed - sent_ : 0);
}

std::optional<Outgoing> OutputQueue::consume(std::size_t count, Micros now) {
  if (items_.empty() || count == 0)
    return std::nullopt;
  sent_ += count;
  if (sent_ < items_.front().bytes.size())
    return std::nullopt;
  const Micros length = static_cast<Micros>(items_.front().bytes.size()) * frame_time();
  line_free_ = rate_ > 0 ? started_ + length : now;
  Outgoing done = std::move(items_.front());
  items_.pop_front();
  sent_ = 0;
  return done;
}

std::optional<Micros> OutputQueue::wake_time() const {
  if (items_.empty())
    return std::nullopt;
  const Micros start = head_start();
  return rate_ > 0 ? start + static_cast<Micros>(sent_) * frame_time() : start;
}

void OutputQueue::clear() {
  items_.clear();
  sent_ = 0;
}

}  // namespace tk52::sim

// What the clock has yet to send, in the order it leaves. Each item may leave from its due time
// on; with pacing the line carries one byte per frame time (ten bits at the line's speed) and an
// item waits for the one before it, as on a real UART.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace tk52::sim {

using Micros = std::int64_t;  // a monotonic clock

struct Outgoing {
  std::string bytes;
  Micros due = 0;
  std::string label;  // for the transcript; empty: nothing to record
  int new_baud = 0;   // nonzero: the clock switches to this speed once the item has left
};

class OutputQueue {
 public:
  // Ordered by due time; items due together keep their order, and the item on the line stays
  // first.
  void push(Outgoing item);

  // Bytes per second the line carries; 0 sends everything as soon as it is due.
  void set_rate(int bytes_per_second) { rate_ = bytes_per_second; }

  // The bytes of the first item that may be on the line by `now`.
  std::string_view ready(Micros now);

  // Records that `count` bytes of what ready() offered have been written. Returns the item once
  // its last byte has gone.
  std::optional<Outgoing> consume(std::size_t count, Micros now);

  // When ready() will next offer something; none while the queue is empty.
  std::optional<Micros> wake_time() const;

  void clear();
  bool empty() const { return items_.empty(); }

 private:
  Micros frame_time() const { return rate_ > 0 ? (1'000'000 + rate_ - 1) / rate_ : 0; }
  Micros head_start() const;

  std::deque<Outgoing> items_;
  std::size_t sent_ = 0;  // bytes of the first item already written
  Micros started_ = 0;    // when the first item began to leave (valid once sent_ > 0)
  Micros line_free_ = 0;  // when the line has finished the previous item
  int rate_ = 0;
};

}  // namespace tk52::sim

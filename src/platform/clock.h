// Clock readers: the local calendar time with milliseconds and a millisecond tick count that
// wraps like the Windows tick count. Injectable, so tests never depend on the machine's clock.
#pragma once

#include <cstdint>

#include "platform/calendar_time.h"

namespace tk52 {

// One instant as the reader stamps a sentence's "$": its local calendar time and its tick count.
struct ClockStamp {
  CalendarTime local;
  std::uint32_t tick = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual CalendarTime local_now() const = 0;
  virtual CalendarTime utc_now() const = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32; compare with unsigned subtraction.
  virtual std::uint32_t tick_ms() const = 0;
  // The local time and the tick count of one instant. The machine's clock on POSIX systems
  // tells both from one monotonic reading; a clock that cannot reads the two.
  virtual ClockStamp stamp_now() const { return {local_now(), tick_ms()}; }
};

// The wall clock told from the monotonic clock. The two differ by a constant until the wall
// clock is set, so one reading of the monotonic clock gives both. The difference is
// measured again every kRecheckNs, and at once when this program set the wall clock (the
// generation given changed): a setting by anyone else shows in the stamps within kRecheckNs.
class WallFromMonotonic {
 public:
  static constexpr std::int64_t kRecheckNs = 100'000'000;

  // `monotonic_ns` is the monotonic reading, `generation` wall_clock_generation() read
  // with it, `measure_offset()` a fresh wall-minus-monotonic difference. Returns the wall time
  // of the monotonic reading in ns.
  template <class MeasureOffset>
  std::int64_t wall_ns(std::int64_t monotonic_ns, std::uint32_t generation,
                       MeasureOffset measure_offset) {
    if (!valid_ || generation != generation_ || monotonic_ns < measured_at_ ||
        monotonic_ns - measured_at_ >= kRecheckNs) {
      offset_ns_ = measure_offset();
      valid_ = true;
      generation_ = generation;
      measured_at_ = monotonic_ns;
    }
    return monotonic_ns + offset_ns_;
  }

 private:
  bool valid_ = false;
  std::uint32_t generation_ = 0;
  std::int64_t offset_ns_ = 0;
  std::int64_t measured_at_ = 0;
};

// Counts the settings of the wall clock made by this program; the stamps measure the wall clock
// again when it changes.
std::uint32_t wall_clock_generation();
void wall_clock_was_set();

// The local calendar time of an instant given in milliseconds since 1970-01-01 UTC, as the C
// library converts it. The calendar fields of the latest whole second are remembered per thread
// and reused while the second and the time zone stay the same.
CalendarTime local_time_at(std::int64_t unix_ms);
// The same, converted in full every time.
CalendarTime local_time_converted(std::int64_t unix_ms);

// The machine's clocks.
class SystemClock final : public Clock {
 public:
  CalendarTime local_now() const override;
  CalendarTime utc_now() const override;
  std::uint32_t tick_ms() const override;
  ClockStamp stamp_now() const override;

  static const SystemClock& instance();
};

}  // namespace tk52

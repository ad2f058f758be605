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
  // The local time and the tick count of one instant. The machine's clock gets both from one
  // precise reading; a clock that cannot reads the two.
  virtual ClockStamp stamp_now() const { return {local_now(), tick_ms()}; }
};

// The wall clock told from the monotonic clock. The two differ by a constant until the wall
// clock is set, so one precise reading of the monotonic clock gives both. The difference is
// measured again when the second (told this way) changes, and at once when the coarse wall clock
// (a fraction of the cost of a precise reading) shows the estimate off by more than the coarse
// clock's own error: the wall clock was set. The coarse clock is the time of the latest timer
// tick's update, behind the true time by up to about two of its resolutions (2.6 to 6.7 ms
// measured with a 4 ms resolution); a false alarm only costs a fresh measurement.
class WallFromMonotonic {
 public:
  static constexpr std::int64_t kNsPerSecond = 1'000'000'000;
  // Allowed for the time between the two readings.
  static constexpr std::int64_t kSlackNs = 1'000'000;

  // `monotonic_ns` is the precise monotonic reading, `coarse_wall_ns` the coarse wall clock read
  // after it, `measure_offset()` a fresh wall-minus-monotonic difference. Returns the wall time
  // of the monotonic reading in ns.
  template <class MeasureOffset>
  std::int64_t wall_ns(std::int64_t monotonic_ns, std::int64_t coarse_wall_ns,
                       std::int64_t coarse_resolution_ns, MeasureOffset measure_offset) {
    std::int64_t wall = monotonic_ns + offset_ns_;
    if (!valid_ || wall / kNsPerSecond != second_ || wall < coarse_wall_ns - kSlackNs ||
        wall >= coarse_wall_ns + 2 * coarse_resolution_ns + kSlackNs) {
      offset_ns_ = measure_offset();
      valid_ = true;
      wall = monotonic_ns + offset_ns_;
      second_ = wall / kNsPerSecond;
    }
    return wall;
  }

 private:
  bool valid_ = false;
  std::int64_t offset_ns_ = 0;
  std::int64_t second_ = 0;
};

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

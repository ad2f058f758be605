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
// measured again every kRecheckNs, and at once when this program set the wall clock (the
// generation given changed): a setting by anyone else shows in the stamps within kRecheckNs.
class WallFromMonotonic {
 public:
  static constexpr std::int64_t kRecheckNs = 100'000'000;

  // `monotonic_ns` is the precise monotonic reading, `generation` wall_clock_generation() read
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

  // How long after `monotonic_ns` (a reading given to wall_ns()) the difference is due again.
  std::int64_t ns_to_recheck(std::int64_t monotonic_ns) const {
    return measured_at_ + kRecheckNs - monotonic_ns;
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

// The monotonic clock told from the processor's cycle counter, where the system's own clock
// reads that counter too (its clock source is the counter): a counter reading costs about half a
// precise clock reading, as the system adds a fence and its own scaling. The counter is scaled by
// a rate measured against the monotonic clock; every kAnchorNs the monotonic clock is read again
// with the counter, which corrects any drift (the system slews its clock) and measures the rate
// anew. Until a rate is known, or when a check finds the counter off by more than kToleranceNs
// (a counter that jumped or changed speed), every reading is a monotonic one. What it tells never
// goes back.
class MonotonicFromCycles {
 public:
  struct Pair {
    std::uint64_t cycles = 0;
    std::int64_t monotonic_ns = 0;
  };
  static constexpr std::int64_t kAnchorNs = 100'000'000;
  static constexpr std::int64_t kToleranceNs = 1'000'000;

  // `cycles` is the counter read now; `measure()` reads the counter and the monotonic clock
  // together (a Pair). Returns the monotonic time of the counter reading in ns.
  template <class Measure>
  std::int64_t monotonic_ns(std::uint64_t cycles, Measure measure) {
    std::int64_t ns = 0;
    const std::uint64_t since = cycles - anchor_.cycles;
    if (rate_known_ && since < anchor_cycles_) {
      ns = told_ns(anchor_, cycles);
    } else {
      const Pair now = measure();
      anchor_at(now);
      ns = now.monotonic_ns;
    }
    if (ns < latest_ns_)
      ns = latest_ns_;
    latest_ns_ = ns;
    return ns;
  }

  // A time told elsewhere from this clock's rate: what it tells later is never earlier.
  void not_before(std::int64_t ns) {
    if (ns > latest_ns_)
      latest_ns_ = ns;
  }

  // The rate in ns per cycle, 0 while none is known.
  double ns_per_cycle() const { return rate_known_ ? ns_per_cycle_ : 0; }
  // How many cycles after `cycles` (a reading given to monotonic_ns()) the next check is due.
  std::uint64_t cycles_to_check(std::uint64_t cycles) const {
    const std::uint64_t since = cycles - anchor_.cycles;
    return rate_known_ && since < anchor_cycles_ ? anchor_cycles_ - since : 0;
  }

 private:
  std::int64_t told_ns(const Pair& from, std::uint64_t cycles) const {
    return from.monotonic_ns +
           static_cast<std::int64_t>(static_cast<double>(cycles - from.cycles) * ns_per_cycle_);
  }

  void anchor_at(const Pair& now) {
    if (anchored_ && now.cycles > anchor_.cycles && now.monotonic_ns > anchor_.monotonic_ns) {
      if (!rate_known_) {
        if (now.monotonic_ns - anchor_.monotonic_ns >= kAnchorNs)
          set_rate(now);
        return;  // else still measuring: every reading is a monotonic one
      }
      const std::int64_t error = told_ns(anchor_, now.cycles) - now.monotonic_ns;
      if (error <= kToleranceNs && error >= -kToleranceNs) {
        set_rate(now);
        return;
      }
    }
    // The first reading, or a counter that went back, jumped or changed speed: measure again.
    rate_known_ = false;
    anchored_ = true;
    anchor_ = now;
  }

  // The rate from the anchor to `now`, which becomes the anchor.
  void set_rate(const Pair& now) {
    ns_per_cycle_ = static_cast<double>(now.monotonic_ns - anchor_.monotonic_ns) /
                    static_cast<double>(now.cycles - anchor_.cycles);
    anchor_cycles_ = static_cast<std::uint64_t>(static_cast<double>(kAnchorNs) / ns_per_cycle_);
    rate_known_ = true;
    anchor_ = now;
  }

  bool anchored_ = false;
  bool rate_known_ = false;
  // The latest measured pair: where the rate is measured from, and what the counter is told from.
  Pair anchor_;
  double ns_per_cycle_ = 0;
  std::uint64_t anchor_cycles_ = 0;
  std::int64_t latest_ns_ = 0;
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

// The portable period timer, driven the way the synchronisation drives it: each tick restarts
// the timer from inside the tick.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "pages/sync/period_timer.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;

TEST(ThreadPeriodTimer, TicksUntilStoppedFromInsideATick) {
  std::mutex mutex;
  std::condition_variable ticked;
  int ticks = 0;
  {
    ThreadPeriodTimer timer;
    PeriodTimer::Tick tick = [&] {
      std::lock_guard lock(mutex);
      if (++ticks < 3) {
        timer.start(5ms, tick);
      } else {
        timer.stop();
      }
      ticked.notify_all();
    };
    timer.start(5ms, tick);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(ticked.wait_for(lock, 10s, [&] { return ticks == 3; }));
  }
  // The timer's thread has ended: no tick came after the stop.
  EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace tk52

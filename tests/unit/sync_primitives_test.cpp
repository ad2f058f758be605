#include "platform/sync_primitives.h"

#include <gtest/gtest.h>

#include <thread>

namespace tk52 {
namespace {

using namespace std::chrono_literals;

TEST(Semaphore, NeverExceedsItsMaximum) {
  Semaphore s(0, 1);
  EXPECT_FALSE(s.try_acquire());
  EXPECT_TRUE(s.release());
  EXPECT_FALSE(s.release());
  EXPECT_TRUE(s.try_acquire());
  EXPECT_FALSE(s.acquire_for(1ms));
}

TEST(Semaphore, WakesAWaiterOnAnotherThread) {
  Semaphore s(0, 1);
  std::thread giver([&] { s.release(); });
  EXPECT_TRUE(s.acquire_for(10s));
  giver.join();
}

TEST(AutoResetEvent, OneSignalReleasesOneWait) {
  AutoResetEvent e;
  EXPECT_FALSE(e.wait_for(0ms));
  e.set();
  e.set();
  EXPECT_TRUE(e.wait_for(0ms));
  EXPECT_FALSE(e.wait_for(0ms));
  e.set();
  e.reset();
  EXPECT_FALSE(e.wait_for(0ms));
  std::thread setter([&] { e.set(); });
  EXPECT_TRUE(e.wait_for(10s));
  setter.join();
}

TEST(TimedLock, BoundedWaitForAHeldLock) {
  TimedLock lock;
  lock.lock();
  bool acquired = true;
  std::thread other([&] { acquired = lock.try_lock_for(10ms); });
  other.join();
  EXPECT_FALSE(acquired);
  EXPECT_FALSE(lock.try_lock());
  std::thread waiter([&] { acquired = lock.try_lock_for(10s); });
  lock.unlock();
  waiter.join();
  EXPECT_TRUE(acquired);
  lock.unlock();
}

}  // namespace
}  // namespace tk52

// Small synchronisation objects with the semantics the protocol relies on: an auto-reset event
// and a counting semaphore with a maximum count. Built on the standard library so that the same
// code runs in the Windows program, in tk52cli and under the sanitizers.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tk52 {

// Signalled by set(); one waiter consumes the signal and the event resets itself. Setting an
// event that is already signalled costs no lock: the reader sets one for every sentence, and
// nobody waits for most of them.
class AutoResetEvent {
 public:
  void set() {
    // Already signalled: this set takes effect before the waiter that will consume the signal.
    if (!state_.load(std::memory_order_acquire))
      signal();
  }
  void reset();
  // True when the event was signalled within the time-out (and is now reset again).
  bool wait_for(std::chrono::milliseconds timeout);

 private:
  void signal();

  std::mutex mutex_;
  std::condition_variable signalled_;
  // Changed only under the mutex; read without it by set().
  std::atomic<bool> state_{false};
};

// Counts between 0 and a maximum; release() above the maximum leaves the count unchanged and
// reports false, as a Windows semaphore does, without taking the lock.
class Semaphore {
 public:
  Semaphore(int initial, int maximum) : count_(initial), maximum_(maximum) {}

  bool release() {
    // Already full: this release fails before any acquire that would have made room.
    return count_.load(std::memory_order_acquire) < maximum_ && add_one();
  }
  bool try_acquire();
  bool acquire_for(std::chrono::milliseconds timeout);

 private:
  bool add_one();

  std::mutex mutex_;
  std::condition_variable available_;
  // Changed only under the mutex; read without it by release().
  std::atomic<int> count_;
  const int maximum_;
};

// A non-recursive lock whose wait can be bounded (TimedLockable, so std::unique_lock works).
// Built on a plain mutex and a condition variable rather than std::timed_mutex, whose timed
// wait the thread sanitizer of this tool chain cannot follow.
class TimedLock {
 public:
  void lock();
  bool try_lock();
  template <class Rep, class Period>
  bool try_lock_for(std::chrono::duration<Rep, Period> timeout) {
    std::unique_lock guard(mutex_);
    if (!released_.wait_for(guard, timeout, [this] { return !held_; }))
      return false;
    held_ = true;
    return true;
  }
  void unlock();

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
};

}  // namespace tk52

// Small synchronisation objects with the semantics the protocol relies on: an auto-reset event
// and a counting semaphore with a maximum count. Built on the standard library so that the same
// code runs in the Windows program, in tk52cli and under the sanitizers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tk52 {

// Signalled by set(); one waiter consumes the signal and the event resets itself.
class AutoResetEvent {
 public:
  void set();
  void reset();
  // True when the event was signalled within the time-out (and is now reset again).
  bool wait_for(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable signalled_;
  bool state_ = false;
};

// Counts between 0 and a maximum; release() above the maximum leaves the count unchanged and
// reports false, as a Windows semaphore does.
class Semaphore {
 public:
  Semaphore(int initial, int maximum) : count_(initial), maximum_(maximum) {}

  bool release();
  bool try_acquire();
  bool acquire_for(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable available_;
  int count_;
  const int maximum_;
};

}  // namespace tk52

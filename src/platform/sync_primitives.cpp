#include "platform/sync_primitives.h"

namespace tk52 {

void AutoResetEvent::signal() {
  {
    std::lock_guard lock(mutex_);
    state_.store(true, std::memory_order_release);
  }
  signalled_.notify_one();
}

void AutoResetEvent::reset() {
  std::lock_guard lock(mutex_);
  state_ = false;
}

bool AutoResetEvent::wait_for(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!signalled_.wait_for(lock, timeout, [this] { return state_.load(); }))
    return false;
  state_ = false;
  return true;
}

bool Semaphore::add_one() {
  {
    std::lock_guard lock(mutex_);
    if (count_ >= maximum_)
      return false;
    count_.fetch_add(1, std::memory_order_release);
  }
  available_.notify_one();
  return true;
}

bool Semaphore::try_acquire() {
  std::lock_guard lock(mutex_);
  if (count_ == 0)
    return false;
  --count_;
  return true;
}

bool Semaphore::acquire_for(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!available_.wait_for(lock, timeout, [this] { return count_.load() > 0; }))
    return false;
  --count_;
  return true;
}

void TimedLock::lock() {
  std::unique_lock guard(mutex_);
  released_.wait(guard, [this] { return !held_; });
  held_ = true;
}

bool TimedLock::try_lock() {
  std::lock_guard guard(mutex_);
  if (held_)
    return false;
  held_ = true;
  return true;
}

void TimedLock::unlock() {
  {
    std::lock_guard guard(mutex_);
    held_ = false;
  }
  released_.notify_one();
}

}  // namespace tk52

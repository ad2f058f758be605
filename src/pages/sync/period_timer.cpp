#include "pages/sync/period_timer.h"

#include <utility>

namespace tk52 {

ThreadPeriodTimer::ThreadPeriodTimer() : thread_([this] { run(); }) {}

ThreadPeriodTimer::~ThreadPeriodTimer() {
  {
    std::lock_guard lock(mutex_);
    quitting_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ThreadPeriodTimer::start(std::chrono::milliseconds period, Tick tick) {
  {
    std::lock_guard lock(mutex_);
    tick_ = std::move(tick);
    period_ = period;
    due_ = Steady::now() + period;
    running_ = true;
  }
  changed_.notify_all();
}

void ThreadPeriodTimer::stop() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
  }
  changed_.notify_all();
}

void ThreadPeriodTimer::run() {
  std::unique_lock lock(mutex_);
  while (!quitting_) {
    if (!running_) {
      changed_.wait(lock);
      continue;
    }
    if (Steady::now() < due_) {
      changed_.wait_until(lock, due_);
      continue;
    }
    // Counted from now, not from the missed due time: after a stall (a suspended machine) the
    // timer ticks once, as a window timer does, instead of catching up.
    due_ = Steady::now() + period_;
    const Tick tick = tick_;
    lock.unlock();
    tick();
    lock.lock();
  }
}

}  // namespace tk52

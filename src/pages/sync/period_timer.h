// The timer that paces periodic synchronisation. The Windows program may drive it from a
// thread timer of its interface thread; ThreadPeriodTimer is a portable one with its own thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tk52 {

class PeriodTimer {
 public:
  using Tick = std::function<void()>;

  virtual ~PeriodTimer() = default;
  // (Re)starts the timer: `tick` runs every `period` from now until stop() or the next start().
  // Neither call waits for a tick that is running, so both may be made from inside a tick and
  // while holding a lock that the tick takes; a tick that has begun may still finish after them.
  virtual void start(std::chrono::milliseconds period, Tick tick) = 0;
  virtual void stop() = 0;
};

class ThreadPeriodTimer final : public PeriodTimer {
 public:
  ThreadPeriodTimer();
  // Waits for a running tick to end.
  ~ThreadPeriodTimer() override;
  ThreadPeriodTimer(const ThreadPeriodTimer&) = delete;
  ThreadPeriodTimer& operator=(const ThreadPeriodTimer&) = delete;

  void start(std::chrono::milliseconds period, Tick tick) override;
  void stop() override;

 private:
  using Steady = std::chrono::steady_clock;

  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  Tick tick_;
  std::chrono::milliseconds period_{0};
  Steady::time_point due_;
  bool running_ = false;
  bool quitting_ = false;
  std::thread thread_;
};

}  // namespace tk52

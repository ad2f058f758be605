// Thread timers of the user interface thread (SetTimer without a window), behind the timer
// interfaces the core's pages use: the journal reader's pacing and watchdog timers and the
// synchronisation's period timer. A tick runs wherever that thread dispatches messages, a
// message box's own loop included, so a tick may come while an earlier one shows a message.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>

#include "app/timers.h"
#include "pages/sync/period_timer.h"

namespace tk52::win32 {

// Every member must be called on the user interface thread.
class ThreadTimers final : public TimerService {
 public:
  using Tick = std::function<void(int id)>;

  explicit ThreadTimers(Tick tick) : tick_(std::move(tick)) {}
  // Kills the timers that still run.
  ~ThreadTimers() override;
  ThreadTimers(const ThreadTimers&) = delete;
  ThreadTimers& operator=(const ThreadTimers&) = delete;

  // A running timer is killed and started again, so that its next tick is a whole period away.
  void start(int id, std::chrono::milliseconds period) override;
  void stop(int id) override;
  bool running(int id) const override { return system_ids_.count(id) != 0; }

 private:
  static void CALLBACK on_tick(HWND, UINT, UINT_PTR system_id, DWORD);

  Tick tick_;
  std::map<int, UINT_PTR> system_ids_;
};

// The synchronisation's period timer on a thread timer. start() and stop() must be called on
// the user interface thread, which is where the synchronisation makes them.
class ThreadPeriodTimerWin32 final : public PeriodTimer {
 public:
  void start(std::chrono::milliseconds period, Tick tick) override;
  void stop() override { timers_.stop(0); }

 private:
  Tick tick_;
  ThreadTimers timers_{[this](int) {
    // A tick restarts the timer with a new callable: call a copy, not the one being replaced.
    const Tick tick = tick_;
    if (tick)
      tick();
  }};
};

}  // namespace tk52::win32

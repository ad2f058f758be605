// Timers of the user interface thread. The Windows program maps them onto thread timers; the
// headless front end fires them from its loop. Either way the owner's tick runs on the user
// interface thread, between notifications, never inside another handler.
#pragma once

#include <chrono>

namespace tk52 {

class TimerService {
 public:
  virtual ~TimerService() = default;
  // Starts timer `id`, or restarts it when it runs, to fire every `period`.
  virtual void start(int id, std::chrono::milliseconds period) = 0;
  virtual void stop(int id) = 0;
  virtual bool running(int id) const = 0;
};

}  // namespace tk52

// The periodic extra-information request: a thread that asks for PKEXS after every third time
// sentence the clock sends, or after three seconds without one. Failures are silent; the
// reply reaches the page through the usual notification.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "link/serial_port.h"
#include "protocol/protocol.h"

namespace tk52 {

class PeriodicPoller {
 public:
  static constexpr std::chrono::milliseconds kPeriod{3000};
  static constexpr int kSentencesPerRequest = 3;

  PeriodicPoller(Protocol& protocol, SerialPort& port) : protocol_(protocol), port_(port) {}
  ~PeriodicPoller() { stop(); }
  PeriodicPoller(const PeriodicPoller&) = delete;
  PeriodicPoller& operator=(const PeriodicPoller&) = delete;

  // Starts the thread unless it runs. False when it cannot be created.
  bool start();
  // Takes the operation lock, so the thread is never stopped in the middle of an exchange,
  // tells it to stop and waits for it to end. The thread gives up waiting for the lock and for
  // sentences as soon as it is told to, so the wait is short.
  void stop();
  bool running() const { return thread_.joinable(); }

  // Requests sent so far (for the tests and the figures).
  int requests() const { return requests_.load(); }

 private:
  void run();
  bool wait_for_sentence(std::chrono::milliseconds timeout);
  bool lock_operation();
  void poll_once(std::chrono::milliseconds lock_wait, std::chrono::milliseconds& duration);

  Protocol& protocol_;
  SerialPort& port_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
};

}  // namespace tk52

#include "pages/monitoring/periodic_poller.h"

#include <algorithm>
#include <system_error>

#include "app/exchange.h"
#include "protocol/requests.h"

namespace tk52 {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Waits are cut into slices of this length so that a stop request is noticed promptly.
constexpr milliseconds kSlice{50};

milliseconds since(Steady::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Steady::now() - start);
}

}  // namespace

bool PeriodicPoller::start() {
  if (running())
    return true;
  stop_.store(false);
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void PeriodicPoller::stop() {
  if (!running())
    return;
  std::lock_guard lock(protocol_.operation_lock());
  stop_.store(true);
  thread_.join();
}

bool PeriodicPoller::wait_for_sentence(milliseconds timeout) {
  const auto start = Steady::now();
  while (!stop_.load()) {
    const milliseconds left = timeout - since(start);
    if (left <= milliseconds::zero())
      return false;
    if (protocol_.wait_arrival(SentenceKind::kGpzda, std::min(left, kSlice)))
      return true;
  }
  return false;
}

bool PeriodicPoller::lock_operation() {
  while (!stop_.load()) {
    if (protocol_.operation_lock().try_lock_for(kSlice))
      return true;
  }
  return false;
}

void PeriodicPoller::run() {
  int sentences = 0;
  milliseconds last_duration{0};
  while (!stop_.load()) {
    // A request that took longer than the period leaves no wait at all, not a negative one.
    const milliseconds wait = std::max(kPeriod - last_duration, milliseconds::zero());
    if (wait_for_sentence(wait)) {
      ++sentences;
    } else {
      sentences = kSentencesPerRequest;
    }
    if (stop_.load())
      return;
    if (sentences != kSentencesPerRequest) {
      last_duration = milliseconds::zero();
      continue;
    }
    const auto lock_start = Steady::now();
    if (!lock_operation())
      return;
    poll_once(since(lock_start), last_duration);
    protocol_.operation_lock().unlock();
    sentences = 0;
  }
}

void PeriodicPoller::poll_once(milliseconds lock_wait, milliseconds& duration) {
  // The fixed query: the framing of "PKEXS".
  static const Request query = frame_request("PKEXS");
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto start = Steady::now();
    requests_.fetch_add(1);
    if (exchange_once(protocol_, port_, SentenceKind::kPkexs, query) == result::kOk) {
      duration = since(start) + lock_wait;
      return;
    }
  }
}

}  // namespace tk52

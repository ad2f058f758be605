#include "windows/thread_timers_win32.h"

#include <utility>

namespace tk52::win32 {
namespace {

struct Owner {
  ThreadTimers* timers;
  int id;
};

// The system's timer identifiers to their owners. Only the user interface thread sets, kills
// and receives these timers, so the map needs no lock.
std::map<UINT_PTR, Owner>& owners() {
  static std::map<UINT_PTR, Owner> map;
  return map;
}

}  // namespace

ThreadTimers::~ThreadTimers() {
  while (!system_ids_.empty())
    stop(system_ids_.begin()->first);
}

void ThreadTimers::start(int id, std::chrono::milliseconds period) {
  stop(id);
  const UINT_PTR system_id =
      SetTimer(nullptr, 0, static_cast<UINT>(period.count()), &ThreadTimers::on_tick);
  if (system_id == 0)
    return;
  system_ids_[id] = system_id;
  owners()[system_id] = {this, id};
}

void ThreadTimers::stop(int id) {
  const auto found = system_ids_.find(id);
  if (found == system_ids_.end())
    return;
  KillTimer(nullptr, found->second);
  owners().erase(found->second);
  system_ids_.erase(found);
}

void CALLBACK ThreadTimers::on_tick(HWND, UINT, UINT_PTR system_id, DWORD) {
  // A tick already taken from the queue when its timer was killed finds no owner.
  const auto found = owners().find(system_id);
  if (found == owners().end())
    return;
  const Owner owner = found->second;
  owner.timers->tick_(owner.id);
}

void ThreadPeriodTimerWin32::start(std::chrono::milliseconds period, Tick tick) {
  tick_ = std::move(tick);
  timers_.start(0, period);
}

}  // namespace tk52::win32

// What the time synchronisation needs of its page. The Windows page implements it with its
// controls; tk52cli and the tests with records. Texts are UTF-8.
//
// Threads: the members marked "any thread" are called from the serial reader thread and the
// watchdog thread as well, and must never wait for the interface thread (a window posts them);
// calls to each are kept in the order they were made. The others are called on the interface
// thread only.
#pragma once

#include <string_view>

#include "pages/sync/sync_settings.h"

namespace tk52 {

class SyncView {
 public:
  virtual ~SyncView() = default;

  // Any thread: the "Время UTC:", "Время ПК:" and "Разница, c:" fields; empty texts clear them.
  virtual void show_times(std::string_view utc, std::string_view pc,
                          std::string_view difference) = 0;
  // Any thread: the "Синхронизировать время ПК" button.
  virtual void enable_manual_button(bool enabled) = 0;
  // Status-bar part 2; an empty text clears it. Not synchronous: any thread, posted.
  // Synchronous: in place when the call returns; made on the interface thread and, for the
  // clear after a pause in time sentences, on the watchdog thread.
  virtual void set_status(std::string_view text, bool synchronous) = 0;

  // The "Включить" check box.
  virtual void enable_automatic_box(bool enabled) = 0;
  virtual bool automatic_checked() = 0;
  // The two mode radio buttons with their edit fields and spin controls.
  virtual void enable_mode_controls(bool enabled) = 0;
  // The checked radio button: kPeriodic or kThreshold.
  virtual SyncMode checked_mode() = 0;
  // The spin controls' positions.
  virtual int period_seconds() = 0;
  virtual int threshold_ms() = 0;
};

}  // namespace tk52

// The "Синхронизация" tab page: the clock's UTC time, the PC's time and their difference, the
// manual synchronisation button, and the settings of automatic synchronisation with their two
// fields. It is the time synchronisation's SyncView.
//
// The view exists before its windows: the time-sentence watchdog starts before any window does,
// and until create() has made the controls every call leaves the screen alone. Calls from the
// reader and watchdog threads are posted to the page and never wait for the interface thread;
// each posted display keeps only its latest value, which is what the screen must end with.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pages/sync/sync_view.h"
#include "windows/ui_win32.h"

namespace tk52 {
class TimeSync;
}

namespace tk52::win32 {

class SyncPage final : public SyncView {
 public:
  // Builds the page; false when a control cannot be made. `status_bar` takes the status texts.
  bool create(HWND parent, RECT area, const Dispatcher* dispatch, HWND status_bar);
  // The synchronisation that the two setting fields store into; set before the page shows.
  void attach(TimeSync& sync) { sync_ = &sync; }
  HWND window() const { return page_.load(); }
  // The period and threshold fields, over which the mouse wheel is not sent elsewhere.
  bool is_setting_field(HWND window) const;
  // The page's controls in their keyboard order: top to bottom, left to right in each group.
  std::vector<HWND> tab_order() const {
    return {control(kManualButton), control(kAutomaticBox),   control(kPeriodicRadio),
            control(kPeriodField),  control(kThresholdRadio), control(kThresholdField)};
  }

  void show_times(std::string_view utc, std::string_view pc, std::string_view difference) override;
  void enable_manual_button(bool enabled) override;
  void set_status(std::string_view text, bool synchronous) override;
  void enable_automatic_box(bool enabled) override;
  bool automatic_checked() override;
  void enable_mode_controls(bool enabled) override;
  SyncMode checked_mode() override;
  int period_seconds() override;
  int threshold_ms() override;

 private:
  enum Control {
    kSyncGroup,
    kUtcCaption,
    kPcCaption,
    kDifferenceCaption,
    kUtcField,
    kPcField,
    kDifferenceField,
    kManualButton,
    kAutomaticGroup,
    kAutomaticBox,
    kPeriodicRadio,
    kPeriodField,
    kPeriodSpin,
    kThresholdRadio,
    kThresholdField,
    kThresholdSpin,
    kControlCount
  };
  struct Times {
    std::wstring utc, pc, difference;
  };

  static LRESULT CALLBACK page_procedure(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  static LRESULT CALLBACK field_procedure(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  // Returns the left group's width, or -1.
  int build_sync_group(HWND page, int h, const Dispatcher* dispatch);
  bool build_automatic_group(HWND page, int h, int x, int width, int height,
                             const Dispatcher* dispatch);
  // The field's spin control and what it stores.
  bool is_period(HWND field) const { return field == controls_[kPeriodField]; }
  // Enter and focus loss: the text becomes the setting, clamped into its range.
  void commit(HWND field);
  // Esc, and a text that is no number: the field shows the setting again.
  void restore(HWND field);
  void show_posted();
  HWND control(Control c) const { return controls_[static_cast<std::size_t>(c)]; }

  std::atomic<HWND> page_{nullptr};
  std::atomic<HWND> status_bar_{nullptr};
  std::array<HWND, kControlCount> controls_{};
  TimeSync* sync_ = nullptr;

  std::mutex mutex_;
  std::optional<Times> pending_times_;
  std::optional<bool> pending_manual_;
};

}  // namespace tk52::win32

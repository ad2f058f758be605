// The "Контроль" tab page: the live traffic log with follow, clear and save, and the extra
// information fields with their requests. It is the configurator's MonitoringView, and it
// owns the traffic log view that "journal.txt" is written through.
#pragma once

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/views.h"
#include "windows/ui_win32.h"

namespace tk52::win32 {

class MonitoringPage final : public MonitoringView {
 public:
  // Builds the page and opens the traffic log at `log_path`. Returns 0, exit_code::kWindow when
  // a control could not be made, or exit_code::kLogRefused when the log cannot be opened and
  // the user chose to stop.
  int create(HWND parent, RECT area, const Dispatcher* dispatch,
             const std::filesystem::path& log_path);
  HWND window() const { return page_; }
  HWND log_view() const { return view_; }
  // The page's controls in their keyboard order: top to bottom, left to right in each group.
  std::vector<HWND> tab_order() const;
  void show(bool visible);

  // The page's own operations.
  void toggle_follow();
  void clear_log();
  void save_log();

  bool periodic_checked() override;
  void set_periodic_checked(bool checked) override;
  void enable(MonitoringControl control, bool enabled) override;
  void set_field(InfoField field, std::string_view text) override;
  void enable_field(InfoField field, bool enabled) override;

 private:
  int build_info_group(int width, int height, const Dispatcher* dispatch);
  bool build_log_group(int width, int log_height, const Dispatcher* dispatch);

  HWND page_ = nullptr;
  HWND view_ = nullptr;
  // The log group's buttons, left to right.
  std::vector<HWND> log_buttons_;
  HWND follow_button_ = nullptr;
  bool following_ = true;
  std::map<MonitoringControl, HWND> controls_;
  std::map<InfoField, HWND> fields_;
};

// Saves a log file under a name the user chooses (the save dialog and its messages).
void save_log_copy(HWND owner, const std::filesystem::path& source);
// The save dialog for a journal: the name chosen and, in `filter_index`, the position (from 1)
// of the file type chosen in `filter`. Empty when cancelled, or when the file is read-only (the
// user is told).
std::wstring ask_save_path(HWND owner, std::wstring_view filter, DWORD& filter_index);

}  // namespace tk52::win32

// The "Журналы событий" tab page: the journal type, the record count and the number of records
// to read, the three read commands, and the view of "event_journal.txt" with its save button.
// It is the journal reader's JournalsView; the reading itself is the reader's.
#pragma once

#include <windows.h>

#include <vector>

#include <array>
#include <filesystem>
#include <functional>

#include "app/views.h"
#include "pages/journals/journal_export.h"
#include "windows/ui_win32.h"

namespace tk52::win32 {

class JournalsPage final : public JournalsView {
 public:
  // Builds the page and opens `journal_path`, which `reset_records` empties together with the
  // record table whenever the view opens or closes it. Returns 0, exit_code::kWindow when a
  // control could not be made, or exit_code::kLogRefused when the file cannot be opened and
  // the user chose to stop.
  int create(HWND parent, RECT area, const Dispatcher* dispatch,
             const std::filesystem::path& journal_path, std::function<void()> reset_records);
  HWND window() const { return page_; }
  // The page's controls in their keyboard order: the journal's "Сохранить", then the commands'
  // column of fields and column of buttons, each top to bottom.
  std::vector<HWND> tab_order() const {
    return {controls_[kSave],      controls_[kTypeList], controls_[kWantedField],
            controls_[kReadWhole], controls_[kCount],    controls_[kReadGiven]};
  }

  // "Сохранить": a copy of "event_journal.txt" under a name the user chooses, or, as the
  // second file type, the last pass's `records` as CSV.
  void save(const std::vector<JournalEntry>& records);

  int journal_type() override;
  std::string records_wanted_text() override;
  void set_records_wanted_text(std::string_view text) override;
  void set_total_text(std::string_view text) override;
  void enable_controls(bool enabled) override;
  void enable_commands(bool enabled) override;
  void append_line(std::string_view line) override;
  void clear_lines() override;

 private:
  // The controls in their fixed order; 2..12 are disabled while a pass reads.
  enum Control {
    kJournalGroup,
    kView,
    kSave,
    kCommandGroup,
    kTypeCaption,
    kTotalCaption,
    kWantedCaption,
    kTypeList,
    kTotalField,
    kWantedField,
    kReadWhole,
    kCount,
    kReadGiven,
    kControlCount
  };
  // Returns the group's height, or -1.
  int build_command_group(int width, int height, const Dispatcher* dispatch);
  bool build_journal_group(int width, int height, const Dispatcher* dispatch,
                           std::function<void()> reset_records);
  void apply_enabling();

  HWND page_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  // The three commands need both: no pass running, and the link connected.
  bool controls_enabled_ = true;
  bool connected_ = false;
};

}  // namespace tk52::win32

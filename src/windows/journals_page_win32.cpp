#include "windows/journals_page_win32.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/operation_codes.h"
#include "pages/journals/journal_export.h"
#include "pages/journals/journal_texts.h"
#include "platform/win32_text.h"
#include "windows/control_ids.h"
#include "windows/exit_codes.h"
#include "windows/log_view_win32.h"
#include "windows/monitoring_page_win32.h"
#include "windows/numeric_field_win32.h"

namespace tk52::win32 {

int JournalsPage::create(HWND parent, RECT area, const Dispatcher* dispatch,
                         const std::filesystem::path& journal_path,
                         std::function<void()> reset_records) {
  page_ = make_page(parent, area);
  if (page_ == nullptr)
    return exit_code::kWindow;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // The command group first: the journal takes what it leaves.
  const int commands_height = build_command_group(width, height, dispatch);
  if (commands_height < 0 || !build_journal_group(width, height - commands_height - px(8), dispatch,
                                                  std::move(reset_records))) {
    return exit_code::kWindow;
  }
  HWND view = controls_[kView];
  SendMessageW(view, kSetFollow, 0, 0);
  if (SendMessageW(view, kOpenFile, 0, reinterpret_cast<LPARAM>(&journal_path)) !=
      static_cast<LRESULT>(LogResult::kDone)) {
    const int answer =
        message_box(ui().main_window, {.id = MessageId::kEventLogUnavailable}, MB_YESNO);
    if (answer != IDYES)
      return exit_code::kLogRefused;
  }
  return 0;
}

int JournalsPage::build_command_group(int width, int height, const Dispatcher* dispatch) {
  const int line = ui().line_height;
  const int row = line + px(8);
  const std::array<std::wstring_view, 3> captions = {L"Тип журнала", L"Всего записей",
                                                     L"Количество записей"};
  int caption_width = 0;
  for (auto c : captions)
    caption_width = std::max(caption_width, static_cast<int>(text_size(c).cx));
  caption_width += px(8);
  int value_width = 0;
  for (auto name : kJournalTypeNames)
    value_width = std::max(value_width, static_cast<int>(text_size(widen(name)).cx));
  value_width += row * 3 / 2;
  const int value_x = px(8) + caption_width + px(8);
  const int button_x = value_x + value_width + px(8);
  const int button_height = row + px(4);
  const int group_height = row + px(6) + 3 * button_height + 2 * px(4) + px(4);
  HWND group =
      make_group(page_, L"Команды",
                 rect_at(px(8), height - group_height, width - px(16), group_height), dispatch);
  controls_[kCommandGroup] = group;
  if (group == nullptr)
    return -1;
  bool ok = true;
  for (int k = 0; k < 3; ++k) {
    HWND caption = make_control(
        L"STATIC", captions[static_cast<std::size_t>(k)], SS_RIGHT | SS_CENTERIMAGE,
        rect_at(px(8), row + px(8) + k * (row + px(8)), caption_width, row), group, ids::kCaption);
    controls_[static_cast<std::size_t>(kTypeCaption + k)] = caption;
    ok &= caption != nullptr;
  }
  HWND list = make_control(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                           rect_at(value_x, row + px(8), value_width, px(300)), group,
                           ids::kJournalTypeList);
  controls_[kTypeList] = list;
  if (list != nullptr) {
    for (auto name : kJournalTypeNames)
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(name).c_str()));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
  }
  controls_[kTotalField] =
      make_control(L"EDIT", L"", ES_READONLY | ES_CENTER | ES_AUTOHSCROLL,
                   rect_at(value_x, row + px(8) + (row + px(8)), value_width, row), group,
                   ids::kJournalTotalField, WS_EX_CLIENTEDGE);
  HWND wanted = make_control(L"EDIT", L"50", ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP,
                             rect_at(value_x, row + px(8) + 2 * (row + px(8)), value_width, row),
                             group, ids::kJournalWantedField, WS_EX_CLIENTEDGE);
  controls_[kWantedField] = wanted;
  if (wanted != nullptr)
    make_numeric(wanted, 1, 999);
  const std::array<std::pair<std::wstring_view, OperationCode>, 3> buttons = {{
      {L"Прочитать весь журнал", OperationCode::kReadWholeJournal},
      {L"Считать", OperationCode::kCountJournal},
      {L"Прочитать", OperationCode::kReadJournalRecords},
  }};
  for (int k = 0; k < 3; ++k) {
    const auto& [caption, code] = buttons[static_cast<std::size_t>(k)];
    HWND button = make_control(L"BUTTON", caption, BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP,
                               rect_at(button_x, row + px(6) + k * (button_height + px(4)),
                                       width - button_x - px(24), button_height),
                               group, static_cast<int>(code));
    controls_[static_cast<std::size_t>(kReadWhole + k)] = button;
    ok &= button != nullptr;
  }
  ok &= list != nullptr && controls_[kTotalField] != nullptr && wanted != nullptr;
  return ok ? group_height : -1;
}

bool JournalsPage::build_journal_group(int width, int height, const Dispatcher* dispatch,
                                       std::function<void()> reset_records) {
  const int line = ui().line_height;
  HWND group =
      make_group(page_, L"Журнал", rect_at(px(8), px(8), width - px(16), height), dispatch);
  controls_[kJournalGroup] = group;
  if (group == nullptr)
    return false;
  const SIZE text = text_size(L"Сохранить");
  const int save_width = text.cx + px(16);
  const int save_height = text.cy + px(8);
  const int save_y = height - px(8) - save_height;
  controls_[kSave] =
      make_control(L"BUTTON", L"Сохранить", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP,
                   rect_at(width - px(16) - px(8) - save_width, save_y, save_width, save_height),
                   group, static_cast<int>(OperationCode::kSaveJournal));
  // Opening and closing the file both start a fresh listing: the lines of one pass, no more.
  const LogFile::Hook fresh = [reset = std::move(reset_records)](LogFile& log) {
    if (reset)
      reset();
    log.clear();
  };
  controls_[kView] = create_log_view(
      group, ui().instance, ids::kEventJournalView,
      rect_at(px(8), line + px(8), width - px(16) - px(16), save_y - px(12) - (line + px(8))),
      false, {fresh, fresh, {}});
  return controls_[kSave] != nullptr && controls_[kView] != nullptr;
}

namespace {

// The text file as the view shows it, or the records as CSV for a spreadsheet.
constexpr std::wstring_view kJournalFilter =
    L"Текстовые файлы (*.txt)\0*.txt\0CSV (*.csv)\0*.csv\0\0";
constexpr DWORD kCsvFilter = 2;

bool write_whole_file(const std::wstring& name, const std::string& bytes) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(_wfopen(name.c_str(), L"wb"),
                                                             &std::fclose);
  if (!file)
    return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return written && std::fflush(file.get()) == 0;
}

}  // namespace

void JournalsPage::save(const std::vector<JournalEntry>& records) {
  const LogFile* log = log_of(controls_[kView]);
  if (log == nullptr || !log->is_open())
    return;
  DWORD filter_index = 1;
  const std::wstring name = ask_save_path(ui().main_window, kJournalFilter, filter_index);
  if (name.empty())
    return;
  const bool saved = filter_index == kCsvFilter
                         ? write_whole_file(name, journal_csv(records, true))
                         : CopyFileW(log->path().c_str(), name.c_str(), FALSE) != 0;
  if (!saved)
    message_box(ui().main_window, {.id = MessageId::kFileNotSaved});
}

int JournalsPage::journal_type() {
  const auto selected = SendMessageW(controls_[kTypeList], CB_GETCURSEL, 0, 0);
  return selected >= 0 && selected <= 2 ? static_cast<int>(selected) : 0;
}

std::string JournalsPage::records_wanted_text() {
  return narrow(window_text(controls_[kWantedField]));
}

void JournalsPage::set_records_wanted_text(std::string_view text) {
  SetWindowTextW(controls_[kWantedField], widen(text).c_str());
}

void JournalsPage::set_total_text(std::string_view text) {
  SetWindowTextW(controls_[kTotalField], widen(text).c_str());
}

void JournalsPage::enable_controls(bool enabled) {
  controls_enabled_ = enabled;
  apply_enabling();
}

void JournalsPage::enable_commands(bool enabled) {
  connected_ = enabled;
  apply_enabling();
}

void JournalsPage::apply_enabling() {
  for (int c = kSave; c < kReadWhole; ++c)
    enable_now(controls_[static_cast<std::size_t>(c)], controls_enabled_);
  // A pass that ends after the link was lost gives the commands back only on reconnecting.
  for (int c = kReadWhole; c <= kReadGiven; ++c)
    enable_now(controls_[static_cast<std::size_t>(c)], controls_enabled_ && connected_);
}

void JournalsPage::append_line(std::string_view line) {
  HWND view = controls_[kView];
  LogFile* log = log_of(view);
  if (log == nullptr || !log->is_open())
    return;
  // The empty line that closes a pass is written as its CR LF alone.
  log->append(line.empty() ? std::string_view("\r\n") : line);
  refresh_log_view(view);
}

void JournalsPage::clear_lines() {
  SendMessageW(controls_[kView], kClear, 0, 0);
}

}  // namespace tk52::win32

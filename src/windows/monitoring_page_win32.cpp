#include "windows/monitoring_page_win32.h"

#include <commdlg.h>

#include <algorithm>
#include <array>

#include "app/operation_codes.h"
#include "log/traffic_log.h"
#include "platform/clock.h"
#include "platform/text_1251.h"
#include "platform/win32_text.h"
#include "windows/control_ids.h"
#include "windows/exit_codes.h"
#include "windows/log_view_win32.h"

namespace tk52::win32 {
namespace {

// The traffic log's start and end lines, written straight into the file by the view itself.
void write_event(LogFile& log, TrafficEvent event) {
  log.append(format_event_line(utf8_to_cp1251(traffic_event_text(event)),
                               SystemClock::instance().local_now()));
}

// Said once, when the log folder leaves no room for the cut-back's temporary file.
constexpr std::string_view kLogCutBackFailedText =
    "Не удалось сократить журнал: он растёт дальше, показываются его последние строки.";

constexpr std::wstring_view kFilter = L"Текстовые файлы (*.txt)\0*.txt\0\0";

}  // namespace

std::wstring ask_save_path(HWND owner, std::wstring_view filter, DWORD& filter_index) {
  wchar_t name[1024] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.data();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name;
  dialog.nMaxFile = static_cast<DWORD>(std::size(name));
  dialog.lpstrTitle = L"Сохранить журнал как...";
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING | OFN_EXPLORER;
  if (!GetSaveFileNameW(&dialog))
    return {};
  filter_index = dialog.nFilterIndex;
  // A read-only file is refused as Windows refuses it, also where the system would let the
  // user write it anyway (the superuser under Wine ignores the attribute).
  const DWORD attributes = GetFileAttributesW(name);
  const bool read_only =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  HANDLE existing = read_only ? INVALID_HANDLE_VALUE
                              : CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    CloseHandle(existing);
  } else if (read_only || GetLastError() == ERROR_ACCESS_DENIED) {
    message_box(owner, {.id = MessageId::kFileAccessDenied});
    return {};
  }
  return name;
}

void save_log_copy(HWND owner, const std::filesystem::path& source) {
  DWORD filter_index = 1;
  const std::wstring name = ask_save_path(owner, kFilter, filter_index);
  if (name.empty())
    return;
  if (!CopyFileW(source.c_str(), name.c_str(), FALSE))
    message_box(owner, {.id = MessageId::kFileNotSaved});
}

int MonitoringPage::create(HWND parent, RECT area, const Dispatcher* dispatch,
                           const std::filesystem::path& log_path) {
  page_ = make_page(parent, area);
  if (page_ == nullptr)
    return exit_code::kWindow;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // The lower group first: its height decides how much is left for the log.
  const int info_top = build_info_group(width, height, dispatch);
  if (info_top < 0 || !build_log_group(width, info_top - px(8) - px(8), dispatch))
    return exit_code::kWindow;
  if (SendMessageW(view_, kOpenFile, 0, reinterpret_cast<LPARAM>(&log_path)) !=
      static_cast<LRESULT>(LogResult::kDone)) {
    const int answer = message_box(parent, {.id = MessageId::kTrafficLogUnavailable}, MB_YESNO);
    if (answer != IDYES)
      return exit_code::kLogRefused;
  }
  return 0;
}

// "Дополнительная информация" at the bottom of the page: the periodic check box, two columns of
// captions and read-only fields, and the two requests. Returns the group's top, or -1.
int MonitoringPage::build_info_group(int width, int height, const Dispatcher* dispatch) {
  const int h = ui().line_height;
  const int row = h + px(8);
  const std::array<std::wstring_view, 4> left = {L"Количество спутников:", L"Температура, °C:",
                                                 L"Нагрев:", L"Код самодиагностики:"};
  const std::array<std::wstring_view, 4> right = {L"Статус:", L"Широта:", L"Долгота:",
                                                  L"Высота, м:"};
  const std::array<InfoField, 4> left_fields = {InfoField::kSatellites, InfoField::kTemperature,
                                                InfoField::kHeating, InfoField::kSelfTestCode};
  const std::array<InfoField, 4> right_fields = {InfoField::kStatus, InfoField::kLatitude,
                                                 InfoField::kLongitude, InfoField::kAltitude};
  const std::array<int, 4> left_ids = {ids::kSatellitesField, ids::kTemperatureField,
                                       ids::kHeatingField, ids::kSelfTestField};
  const std::array<int, 4> right_ids = {ids::kStatusField, ids::kLatitudeField,
                                        ids::kLongitudeField, ids::kAltitudeField};
  int left_caption = 0;
  int right_caption = 0;
  for (auto c : left)
    left_caption = std::max(left_caption, static_cast<int>(text_size(c).cx));
  for (auto c : right)
    right_caption = std::max(right_caption, static_cast<int>(text_size(c).cx));
  // Each field as wide as the widest text it can show, inside its frame and margins: the
  // coordinates keep up to seven fraction digits, the altitude nine whole digits and seven.
  const int frame = 2 * GetSystemMetrics(SM_CXEDGE) + px(8);
  const int left_field = text_size(L"WWWW").cx + frame;
  int right_field = static_cast<int>(text_size(L"WWWWWWWW").cx);
  for (std::wstring_view widest : {L"W  179° 59.9999999", L"-999999999.9999999"})
    right_field = std::max(right_field, static_cast<int>(text_size(widest).cx));
  right_field += frame;
  // The two requests stand beside the fields, not under them: every row the group spares is a
  // row more of the traffic log above it. Each is two rows high, or taller if that is too little
  // for its caption broken into three lines: where a caption breaks depends on the renderer, so
  // a button is never made to rely on fitting it into two.
  const int fields_top = h + px(8) + row;
  const int button_height = std::max(2 * row + px(4), 3 * h + px(8));
  const int info_height =
      std::max(fields_top + 4 * (row + px(4)), fields_top + 2 * button_height + px(8)) + px(8);
  const int info_top = height - info_height - px(4);
  HWND info = make_group(page_, L"Дополнительная информация",
                         rect_at(px(8), info_top, width - px(16), info_height), dispatch);
  if (info == nullptr)
    return -1;
  HWND periodic =
      make_control(L"BUTTON", L"Периодический запрос дополнительной информации",
                   BS_AUTOCHECKBOX | WS_TABSTOP, rect_at(px(8), h + px(4), width - px(40), row),
                   info, static_cast<int>(OperationCode::kPeriodicInfo));
  controls_[MonitoringControl::kPeriodicCheck] = periodic;
  bool ok = periodic != nullptr;
  const int right_x = px(8) + left_caption + px(8) + left_field + px(16);
  for (std::size_t i = 0; i < 4; ++i) {
    const int y = fields_top + static_cast<int>(i) * (row + px(4));
    ok &= make_control(L"STATIC", left[i], SS_RIGHT | SS_CENTERIMAGE,
                       rect_at(px(8), y, left_caption, row), info, ids::kCaption) != nullptr;
    fields_[left_fields[i]] =
        make_control(L"EDIT", L"", ES_READONLY | ES_CENTER | ES_AUTOHSCROLL,
                     rect_at(px(8) + left_caption + px(8), y, left_field, row), info, left_ids[i],
                     WS_EX_CLIENTEDGE);
    ok &= make_control(L"STATIC", right[i], SS_RIGHT | SS_CENTERIMAGE,
                       rect_at(right_x, y, right_caption, row), info, ids::kCaption) != nullptr;
    fields_[right_fields[i]] =
        make_control(L"EDIT", L"", ES_READONLY | ES_CENTER | ES_AUTOHSCROLL,
                     rect_at(right_x + right_caption + px(8), y, right_field, row), info,
                     right_ids[i], WS_EX_CLIENTEDGE);
  }
  // The two requests stacked right of the fields, as high as worked out above, at the group's
  // right edge. Captions that fit the room on one line stay on one line; otherwise each is
  // broken one word to a line, the buttons made only as wide as the widest word: a line of
  // several words drawn into a box exactly its own width may be broken once more when drawn
  // (Wine's buttons do), which pushes the last word out of the button.
  constexpr std::array<std::wstring_view, 2> kRequests = {L"Запрос дополнительной информации",
                                                          L"Запрос самодиагностики"};
  const int button_margins = px(16);
  const int room_left = right_x + right_caption + px(8) + right_field + px(16);
  const int room_right = width - px(16) - px(8);
  int buttons_width = room_right - room_left;
  bool one_line = true;
  int widest_word = 0;
  for (std::wstring_view caption : kRequests) {
    one_line &= text_size(caption).cx + button_margins <= buttons_width;
    for (std::size_t start = 0; start < caption.size();) {
      const std::size_t space = std::min(caption.find(L' ', start), caption.size());
      widest_word = std::max(widest_word,
                             static_cast<int>(text_size(caption.substr(start, space - start)).cx));
      start = space + 1;
    }
  }
  if (!one_line)
    buttons_width = std::min(buttons_width, widest_word + button_margins);
  const int buttons_x = room_right - buttons_width;
  HWND info_button =
      make_control(L"BUTTON", kRequests[0], BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP,
                   rect_at(buttons_x, fields_top, buttons_width, button_height), info,
                   static_cast<int>(OperationCode::kRequestInfo));
  HWND self_test = make_control(
      L"BUTTON", kRequests[1], BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP,
      rect_at(buttons_x, fields_top + button_height + px(8), buttons_width, button_height), info,
      static_cast<int>(OperationCode::kRequestSelfTest));
  controls_[MonitoringControl::kRequestInfo] = info_button;
  controls_[MonitoringControl::kRequestSelfTest] = self_test;
  for (const auto& [field, control] : fields_)
    ok &= control != nullptr;
  ok &= info_button != nullptr && self_test != nullptr;
  return ok ? info_top : -1;
}

// "Журнал" above it: the traffic log view and its three buttons, right to left.
bool MonitoringPage::build_log_group(int width, int log_height, const Dispatcher* dispatch) {
  const int h = ui().line_height;
  HWND log_group =
      make_group(page_, L"Журнал", rect_at(px(8), px(8), width - px(16), log_height), dispatch);
  if (log_group == nullptr)
    return false;
  const std::array<std::pair<std::wstring_view, OperationCode>, 3> buttons = {{
      {L"Сохранить", OperationCode::kSaveLog},
      {L"Очистить журнал", OperationCode::kClearLog},
      {L"Остановить", OperationCode::kFollowLog},
  }};
  int button_width = 0;
  for (const auto& b : buttons)
    button_width = std::max(button_width, static_cast<int>(text_size(b.first).cx));
  button_width += px(16);
  const int log_button_height = h + px(12);
  const int log_buttons_y = log_height - px(8) - log_button_height;
  int x = width - px(16) - px(8) - button_width;
  bool ok = true;
  for (const auto& [caption, code] : buttons) {
    HWND b = make_control(L"BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP,
                          rect_at(x, log_buttons_y, button_width, log_button_height), log_group,
                          static_cast<int>(code));
    ok &= b != nullptr;
    if (code == OperationCode::kFollowLog)
      follow_button_ = b;
    log_buttons_.insert(log_buttons_.begin(), b);
    x -= button_width + px(8);
  }
  if (!ok)
    return false;
  view_ = create_log_view(
      log_group, ui().instance, ids::kTrafficLogView,
      rect_at(px(8), h + px(8), width - px(32), log_buttons_y - px(8) - (h + px(8))), false,
      {[](LogFile& log) { write_event(log, TrafficEvent::kApplicationStart); },
       [](LogFile& log) { write_event(log, TrafficEvent::kApplicationEnd); },
       [](LogFile& log) {
         log.append(format_event_line(utf8_to_cp1251(kLogCutBackFailedText),
                                      SystemClock::instance().local_now()));
       }});
  return view_ != nullptr;
}

std::vector<HWND> MonitoringPage::tab_order() const {
  std::vector<HWND> order = log_buttons_;
  for (MonitoringControl c : {MonitoringControl::kPeriodicCheck, MonitoringControl::kRequestInfo,
                              MonitoringControl::kRequestSelfTest}) {
    const auto found = controls_.find(c);
    if (found != controls_.end())
      order.push_back(found->second);
  }
  return order;
}

void MonitoringPage::show(bool visible) {
  ShowWindow(page_, visible ? SW_SHOW : SW_HIDE);
}

void MonitoringPage::toggle_follow() {
  following_ = !following_;
  SendMessageW(view_, kSetFollow, 0, following_ ? 1 : 0);
  SetWindowTextW(follow_button_, following_ ? L"Остановить" : L"Следить");
}

void MonitoringPage::clear_log() {
  const int answer = message_box(ui().main_window, {.id = MessageId::kClearLogQuestion}, MB_YESNO);
  if (answer == IDYES)
    SendMessageW(view_, kClear, 0, 0);
}

void MonitoringPage::save_log() {
  if (const LogFile* log = log_of(view_); log != nullptr && log->is_open()) {
    save_log_copy(ui().main_window, log->path());
  }
}

bool MonitoringPage::periodic_checked() {
  return SendMessageW(controls_[MonitoringControl::kPeriodicCheck], BM_GETCHECK, 0, 0) ==
         BST_CHECKED;
}

void MonitoringPage::set_periodic_checked(bool checked) {
  SendMessageW(controls_[MonitoringControl::kPeriodicCheck], BM_SETCHECK,
               checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MonitoringPage::enable(MonitoringControl control, bool enabled) {
  enable_now(controls_[control], enabled);
}

void MonitoringPage::set_field(InfoField field, std::string_view text) {
  SetWindowTextW(fields_[field], widen(text).c_str());
}

void MonitoringPage::enable_field(InfoField field, bool enabled) {
  enable_now(fields_[field], enabled);
}

}  // namespace tk52::win32

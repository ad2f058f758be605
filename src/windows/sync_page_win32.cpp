#include "windows/sync_page_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <utility>

#include "app/operation_codes.h"
#include "pages/sync/sync_settings.h"
#include "pages/sync/time_sync.h"
#include "platform/win32_text.h"
#include "windows/control_ids.h"

namespace tk52::win32 {
namespace {

// Posted to the page by the reader and watchdog threads: take the latest displays.
constexpr UINT kShowPosted = WM_APP + 0x30;
constexpr UINT_PTR kPageSubclass = 4;
constexpr UINT_PTR kFieldSubclass = 5;
// A send from the watchdog thread is bounded, so that it can never hold up the program's end.
constexpr UINT kSendBoundMs = 2000;

// A status text that stays valid until the status bar has read it, whichever thread asked.
const wchar_t* lasting_text(std::string_view text) {
  static std::mutex mutex;
  static std::map<std::string, std::wstring, std::less<>> texts;
  std::lock_guard lock(mutex);
  auto found = texts.find(text);
  if (found == texts.end())
    found = texts.emplace(std::string(text), widen(text)).first;
  return found->second.c_str();
}

int spin_position(HWND spin) {
  return LOWORD(SendMessageW(spin, UDM_GETPOS, 0, 0));
}

}  // namespace

bool SyncPage::create(HWND parent, RECT area, const Dispatcher* dispatch, HWND status_bar) {
  status_bar_.store(status_bar);
  HWND page = make_page(parent, area);
  if (page == nullptr)
    return false;
  const int h = ui().line_height;
  const int width = area.right - area.left;
  const int left_width = build_sync_group(page, h, dispatch);
  if (left_width < 0)
    return false;
  RECT left{};
  GetWindowRect(control(kSyncGroup), &left);
  const int height = left.bottom - left.top;
  if (!build_automatic_group(page, h, left_width + px(16), width - left_width - px(24), height,
                             dispatch))
    return false;
  // Only a complete page is shown to the other threads' posts.
  SetWindowSubclass(page, page_procedure, kPageSubclass, reinterpret_cast<DWORD_PTR>(this));
  page_.store(page);
  // Whatever the other threads asked for before the page existed.
  show_posted();
  return true;
}

// "Синхронизация": three captions with their read-only fields, and the manual button. Returns
// the group's width, or -1.
int SyncPage::build_sync_group(HWND page, int h, const Dispatcher* dispatch) {
  const std::array<std::wstring_view, 3> captions = {L"Время UTC:", L"Время ПК:", L"Разница, c:"};
  int caption_width = 0;
  for (auto c : captions)
    caption_width = std::max(caption_width, static_cast<int>(text_size(c).cx));
  // "WWWWWWW" wide, and never narrower than the longest time with the field's margins.
  const int field_width =
      std::max(text_size(L"WWWWWWW").cx, text_size(L"00:00:00.000").cx + px(12));
  const int button_width = caption_width + px(4) + field_width;
  const int last_row_bottom = h + px(8) + 2 * (h + px(14)) + h + px(6);
  const int button_y = last_row_bottom + px(8);
  const int button_height = 2 * h + px(16);
  const int group_width = button_width + px(16);
  const int group_height = button_y + button_height + px(8);
  HWND group = make_group(page, L"Синхронизация", rect_at(px(8), px(8), group_width, group_height),
                          dispatch);
  if (group == nullptr)
    return -1;
  controls_[kSyncGroup] = group;
  const std::array<int, 3> field_ids = {ids::kUtcTimeField, ids::kPcTimeField,
                                        ids::kDifferenceField};
  bool ok = true;
  for (int k = 0; k < 3; ++k) {
    const int y = h + px(8) + k * (h + px(14));
    controls_[static_cast<std::size_t>(kUtcCaption + k)] =
        make_control(L"STATIC", captions[static_cast<std::size_t>(k)], SS_RIGHT | SS_CENTERIMAGE,
                     rect_at(px(8), y, caption_width, h + px(6)), group, ids::kCaption);
    controls_[static_cast<std::size_t>(kUtcField + k)] =
        make_control(L"EDIT", L"", ES_READONLY | ES_CENTER | ES_AUTOHSCROLL,
                     rect_at(px(8) + caption_width + px(4), y, field_width, h + px(6)), group,
                     field_ids[static_cast<std::size_t>(k)], WS_EX_CLIENTEDGE);
  }
  controls_[kManualButton] = make_control(L"BUTTON", L"Синхронизировать время ПК",
                                          BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP | WS_DISABLED,
                                          rect_at(px(8), button_y, button_width, button_height),
                                          group, static_cast<int>(OperationCode::kSynchroniseNow));
  for (int c = kUtcCaption; c <= kManualButton; ++c)
    ok &= controls_[static_cast<std::size_t>(c)] != nullptr;
  return ok ? group_width : -1;
}

// "Автоматическая синхронизация": the check box, and a row for each mode with its field.
bool SyncPage::build_automatic_group(HWND page, int h, int x, int width, int height,
                                     const Dispatcher* dispatch) {
  HWND group =
      make_group(page, L"Автоматическая синхронизация", rect_at(x, px(8), width, height), dispatch);
  if (group == nullptr)
    return false;
  controls_[kAutomaticGroup] = group;
  const std::wstring_view box_text = L"Включить";
  controls_[kAutomaticBox] =
      make_control(L"BUTTON", box_text, BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED,
                   rect_at(px(8), h + px(8), text_size(box_text).cx + h * 3 / 2, h), group,
                   static_cast<int>(OperationCode::kAutoSync));
  struct Row {
    std::wstring_view text;
    OperationCode code;
    Control radio, field, spin;
    int field_id, spin_id;
    SettingRange range;
    int initial;
  };
  const std::array<Row, 2> rows = {{
      {L"Синхронизировать каждые, с", OperationCode::kSyncPeriodic, kPeriodicRadio, kPeriodField,
       kPeriodSpin, ids::kPeriodField, ids::kPeriodSpin, kPeriodSecondsRange, 60},
      {L"Синхронизировать, если разница во времени, мс", OperationCode::kSyncThreshold,
       kThresholdRadio, kThresholdField, kThresholdSpin, ids::kThresholdField, ids::kThresholdSpin,
       kThresholdMsRange, 30},
  }};
  // The spin control takes its width from the field's right side: "WWWWWW" stays visible.
  const int field_width = text_size(L"WWWWWW").cx + GetSystemMetrics(SM_CXVSCROLL);
  int y = h + px(8) + h + px(8);
  bool ok = control(kAutomaticBox) != nullptr;
  for (const Row& row : rows) {
    const int radio_width = text_size(row.text).cx + h + px(6);
    HWND radio =
        make_control(L"BUTTON", row.text, BS_AUTORADIOBUTTON | WS_TABSTOP | WS_DISABLED,
                     rect_at(px(8), y, radio_width, h + px(6)), group, static_cast<int>(row.code));
    HWND field = make_control(L"EDIT", std::to_wstring(row.initial),
                              ES_AUTOHSCROLL | WS_TABSTOP | WS_DISABLED,
                              rect_at(px(8) + radio_width + px(4), y, field_width, h + px(6)),
                              group, row.field_id, WS_EX_CLIENTEDGE);
    HWND spin = field == nullptr
                    ? nullptr
                    : CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_DISABLED |
                                              UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY |
                                              UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                          0, 0, 0, 0, group, row.spin_id, ui().instance, field,
                                          row.range.max, row.range.min, row.initial);
    controls_[static_cast<std::size_t>(row.radio)] = radio;
    controls_[static_cast<std::size_t>(row.field)] = field;
    controls_[static_cast<std::size_t>(row.spin)] = spin;
    ok &= radio != nullptr && field != nullptr && spin != nullptr;
    if (field != nullptr)
      SetWindowSubclass(field, field_procedure, kFieldSubclass, reinterpret_cast<DWORD_PTR>(this));
    y += h + px(6) + px(8);
  }
  if (HWND periodic = control(kPeriodicRadio))
    SendMessageW(periodic, BM_SETCHECK, BST_CHECKED, 0);
  return ok;
}

bool SyncPage::is_setting_field(HWND window) const {
  return window != nullptr &&
         (window == control(kPeriodField) || window == control(kThresholdField));
}

LRESULT CALLBACK SyncPage::page_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR, DWORD_PTR data) {
  auto* page = reinterpret_cast<SyncPage*>(data);
  if (message == kShowPosted) {
    page->show_posted();
    return 0;
  }
  if (message == WM_NCDESTROY) {
    page->page_.store(nullptr);
    RemoveWindowSubclass(window, page_procedure, kPageSubclass);
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK SyncPage::field_procedure(HWND field, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR, DWORD_PTR data) {
  auto* page = reinterpret_cast<SyncPage*>(data);
  switch (message) {
    case WM_CHAR: {
      const auto key = static_cast<wchar_t>(wparam);
      if ((key >= L'0' && key <= L'9') || key == VK_BACK)
        break;
      if (key == VK_RETURN) {
        page->commit(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
      } else if (key == VK_ESCAPE) {
        page->restore(field);
      }
      // Ctrl+V and every other character are ignored.
      return 0;
    }
    case WM_PASTE:
      return 0;
    case WM_KILLFOCUS:
      page->commit(field);
      break;
    case WM_PAINT:
      // The frame is not repainted by the edit itself when only the client area is invalid.
      SendMessageW(field, WM_NCPAINT, 1, 0);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(field, field_procedure, kFieldSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(field, message, wparam, lparam);
}

void SyncPage::commit(HWND field) {
  if (sync_ == nullptr)
    return;
  const bool period = is_period(field);
  const std::string text = narrow(window_text(field));
  const std::optional<int> value =
      setting_field_value(text, period ? kPeriodSecondsRange : kThresholdMsRange);
  if (!value) {
    restore(field);
    return;
  }
  // Clamped, or empty: the spin control takes the value and writes it into the field.
  if (text != std::to_string(*value)) {
    SendMessageW(control(period ? kPeriodSpin : kThresholdSpin), UDM_SETPOS, 0,
                 MAKELPARAM(*value, 0));
  }
  if (period) {
    sync_->set_period_seconds(*value);
  } else {
    sync_->set_threshold_ms(*value);
  }
}

void SyncPage::restore(HWND field) {
  if (sync_ == nullptr)
    return;
  const SyncSettings settings = sync_->settings();
  const bool period = is_period(field);
  const auto value = static_cast<int>(period ? settings.period_ms / 1000 : settings.threshold_ms);
  SendMessageW(control(period ? kPeriodSpin : kThresholdSpin), UDM_SETPOS, 0, MAKELPARAM(value, 0));
}

void SyncPage::show_times(std::string_view utc, std::string_view pc, std::string_view difference) {
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    post = !pending_times_ && !pending_manual_;
    pending_times_ = Times{widen(utc), widen(pc), widen(difference)};
  }
  if (post) {
    if (HWND page = page_.load())
      PostMessageW(page, kShowPosted, 0, 0);
  }
}

void SyncPage::enable_manual_button(bool enabled) {
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    post = !pending_times_ && !pending_manual_;
    pending_manual_ = enabled;
  }
  if (post) {
    if (HWND page = page_.load())
      PostMessageW(page, kShowPosted, 0, 0);
  }
}

void SyncPage::show_posted() {
  std::optional<Times> times;
  std::optional<bool> manual;
  {
    std::lock_guard lock(mutex_);
    times = std::exchange(pending_times_, std::nullopt);
    manual = std::exchange(pending_manual_, std::nullopt);
  }
  if (times) {
    SetWindowTextW(control(kUtcField), times->utc.c_str());
    SetWindowTextW(control(kPcField), times->pc.c_str());
    SetWindowTextW(control(kDifferenceField), times->difference.c_str());
  }
  if (manual)
    EnableWindow(control(kManualButton), *manual ? TRUE : FALSE);
}

void SyncPage::set_status(std::string_view text, bool synchronous) {
  HWND bar = status_bar_.load();
  if (bar == nullptr)
    return;
  const LPARAM shown = text.empty() ? 0 : reinterpret_cast<LPARAM>(lasting_text(text));
  if (synchronous) {
    SendMessageTimeoutW(bar, SB_SETTEXTW, 2, shown, SMTO_NORMAL, kSendBoundMs, nullptr);
  } else {
    PostMessageW(bar, SB_SETTEXTW, 2, shown);
  }
}

void SyncPage::enable_automatic_box(bool enabled) {
  if (HWND box = control(kAutomaticBox))
    enable_now(box, enabled);
}

bool SyncPage::automatic_checked() {
  HWND box = control(kAutomaticBox);
  return box != nullptr && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SyncPage::enable_mode_controls(bool enabled) {
  for (Control c : {kPeriodicRadio, kPeriodField, kPeriodSpin, kThresholdRadio, kThresholdField,
                    kThresholdSpin}) {
    if (HWND mode_control = control(c))
      enable_now(mode_control, enabled);
  }
}

SyncMode SyncPage::checked_mode() {
  HWND threshold = control(kThresholdRadio);
  return threshold != nullptr && SendMessageW(threshold, BM_GETCHECK, 0, 0) == BST_CHECKED
             ? SyncMode::kThreshold
             : SyncMode::kPeriodic;
}

int SyncPage::period_seconds() {
  HWND spin = control(kPeriodSpin);
  return spin != nullptr ? spin_position(spin) : 60;
}

int SyncPage::threshold_ms() {
  HWND spin = control(kThresholdSpin);
  return spin != nullptr ? spin_position(spin) : 30;
}

}  // namespace tk52::win32

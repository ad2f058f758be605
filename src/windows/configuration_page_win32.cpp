#include "windows/configuration_page_win32.h"

#include <algorithm>
#include <array>
#include <tuple>

#include "app/operation_codes.h"
#include "link/serial_port.h"
#include "pages/configuration/configuration_options.h"
#include "platform/win32_text.h"
#include "windows/control_ids.h"
#include "windows/numeric_field_win32.h"

namespace tk52::win32 {
namespace {

constexpr std::array<std::wstring_view, 6> kCaptions = {
    L"Формат метки времени:", L"Используемая СНС:",      L"Время UTC:",
    L"Внутренний обогрев:",   L"Источник импульса PPS:", L"Ширина импульса PPS:",
};

template <std::size_t N>
int widest(const std::array<std::string_view, N>& texts) {
  int width = 0;
  for (std::string_view t : texts)
    width = std::max(width, static_cast<int>(text_size(widen(t)).cx));
  return width;
}

template <std::size_t N>
void fill(HWND list, const std::array<std::string_view, N>& texts) {
  for (std::string_view t : texts) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(t).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, 0, 0);
}

}  // namespace

ConfigurationPage::Layout ConfigurationPage::layout(RECT area) {
  Layout l;
  l.h = ui().line_height;
  l.row = l.h + px(8);
  l.width = area.right - area.left - px(16);
  l.half = l.width / 2 - px(4);
  l.first_top = l.h + px(8);  // below a group's caption line
  l.first_height = l.first_top + l.row + px(8) + l.row + px(8);
  return l;
}

bool ConfigurationPage::create(HWND parent, RECT area, const Dispatcher* dispatch,
                               int speed_position) {
  page_ = make_page(parent, area);
  if (page_ == nullptr)
    return false;
  const Layout l = layout(area);
  const bool clock = build_clock_group(l, dispatch);
  const bool speed = build_speed_group(l, dispatch, speed_position);
  return clock && speed && build_configuration_group(l, dispatch);
}

// "Радиочасы": three captions over three read-only fields.
bool ConfigurationPage::build_clock_group(const Layout& l, const Dispatcher* dispatch) {
  HWND clock =
      make_group(page_, L"Радиочасы", rect_at(px(8), px(8), l.half, l.first_height), dispatch);
  if (clock == nullptr)
    return false;
  // Each column as wide as its caption, the rest of the group's width shared out.
  const std::array<std::wstring_view, 3> identity = {L"Исполнение", L"Аппаратная версия",
                                                     L"Версия ПО"};
  std::array<int, 3> columns{};
  int used = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    columns[i] = text_size(identity[i]).cx + px(8);
    used += columns[i];
  }
  const int spare = std::max(0, (l.half - px(16) - used) / 3);
  bool ok = true;
  int x = px(8);
  for (std::size_t i = 0; i < 3; ++i) {
    const int column = columns[i] + spare;
    ok &=
        make_control(L"STATIC", identity[i], SS_CENTER,
                     rect_at(x, l.first_top, column - px(4), l.h), clock, ids::kCaption) != nullptr;
    identity_[i] = make_control(L"EDIT", L"", ES_READONLY | ES_CENTER | ES_AUTOHSCROLL,
                                rect_at(x, l.first_top + l.row, column - px(4), l.row), clock,
                                ids::kIdentityField, WS_EX_CLIENTEDGE);
    ok &= identity_[i] != nullptr;
    x += column;
  }
  return ok;
}

// "Скорость передачи данных": the speed list and the three connection buttons.
bool ConfigurationPage::build_speed_group(const Layout& l, const Dispatcher* dispatch,
                                          int speed_position) {
  HWND speed = make_group(page_, L"Скорость передачи данных",
                          rect_at(l.width / 2 + px(12), px(8), l.half, l.first_height), dispatch);
  if (speed == nullptr)
    return false;
  HWND list =
      make_control(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                   rect_at(px(8), l.first_top, l.half - px(16), px(300)), speed, ids::kSpeedList);
  if (list == nullptr)
    return false;
  for (int baud : kSpeeds) {
    const std::wstring item = std::to_wstring(baud) + L" бит/с";
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(std::clamp(speed_position, 0, 6)), 0);
  controls_[ConfigControl::kSpeedList] = list;

  const int button = (l.half - px(16) - px(8)) / 3;
  const std::array<std::tuple<ConfigControl, std::wstring_view, OperationCode>, 3> buttons = {{
      {ConfigControl::kConnect, L"Соединить", OperationCode::kConnect},
      {ConfigControl::kFind, L"Найти", OperationCode::kFindDevice},
      {ConfigControl::kSpeedWrite, L"Записать", OperationCode::kChangeSpeed},
  }};
  bool ok = true;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const auto& [which, caption, code] = buttons[i];
    const int x = px(8) + static_cast<int>(i) * (button + px(4));
    HWND b = make_control(L"BUTTON", caption, BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP,
                          rect_at(x, l.first_top + l.row + px(8), button, l.row), speed,
                          static_cast<int>(code));
    controls_[which] = b;
    ok &= b != nullptr;
  }
  return ok;
}

// "Конфигурация": captions, option lists and the three buttons.
bool ConfigurationPage::build_configuration_group(const Layout& l, const Dispatcher* dispatch) {
  int caption_width = 0;
  for (std::wstring_view c : kCaptions)
    caption_width = std::max(caption_width, static_cast<int>(text_size(c).cx));
  const int list_width = std::max({widest(kTimeStampFormatTexts), widest(kSatelliteSystemTexts),
                                   widest(kPpsSourceTexts)}) +
                         l.row * 3 / 2;
  const int config_height = l.first_top + 6 * (l.row + px(8)) + px(8);
  HWND config =
      make_group(page_, L"Конфигурация",
                 rect_at(px(8), px(8) + l.first_height + px(16), l.width, config_height), dispatch);
  if (config == nullptr)
    return false;
  const std::array<std::pair<ConfigControl, int>, 6> rows = {{
      {ConfigControl::kTimeStampFormat, ids::kTimeStampList},
      {ConfigControl::kSatelliteSystems, ids::kSatelliteList},
      {ConfigControl::kUtcReference, ids::kUtcList},
      {ConfigControl::kHeating, ids::kHeatingList},
      {ConfigControl::kPpsSource, ids::kPpsSourceList},
      {ConfigControl::kPpsWidth, ids::kPpsWidthField},
  }};
  bool ok = true;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int y = l.first_top + static_cast<int>(i) * (l.row + px(8));
    ok &= make_control(L"STATIC", kCaptions[i], SS_RIGHT | SS_CENTERIMAGE,
                       rect_at(px(8), y, caption_width, l.row), config, ids::kCaption) != nullptr;
    const bool width_field = rows[i].first == ConfigControl::kPpsWidth;
    const RECT place =
        rect_at(px(8) + caption_width + px(8), y, list_width, width_field ? l.row : px(300));
    HWND c = width_field
                 ? make_control(L"EDIT", L"1", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, place,
                                config, rows[i].second, WS_EX_CLIENTEDGE)
                 : make_control(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, place,
                                config, rows[i].second);
    ok &= c != nullptr;
    controls_[rows[i].first] = c;
  }
  if (!ok)
    return false;
  fill(controls_[ConfigControl::kTimeStampFormat], kTimeStampFormatTexts);
  fill(controls_[ConfigControl::kSatelliteSystems], kSatelliteSystemTexts);
  fill(controls_[ConfigControl::kUtcReference], kUtcReferenceTexts);
  fill(controls_[ConfigControl::kHeating], kHeatingTexts);
  fill(controls_[ConfigControl::kPpsSource], kPpsSourceTexts);
  make_numeric(controls_[ConfigControl::kPpsWidth], kPpsWidthMin, kPpsWidthMax);

  const int buttons_x = px(8) + caption_width + px(8) + list_width + px(16);
  const int buttons_width = l.width - buttons_x - px(8);
  const int button_height = (config_height - l.first_top - px(8)) / 3 - px(2);
  const std::array<std::tuple<ConfigControl, std::wstring_view, OperationCode>, 3> buttons = {{
      {ConfigControl::kRead, L"Прочитать", OperationCode::kReadConfiguration},
      {ConfigControl::kWrite, L"Записать", OperationCode::kWriteConfiguration},
      {ConfigControl::kDefaults, L"По умолчанию", OperationCode::kConfigurationDefaults},
  }};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const auto& [which, caption, code] = buttons[i];
    HWND b =
        make_control(L"BUTTON", caption, BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP,
                     rect_at(buttons_x, l.first_top + static_cast<int>(i) * (button_height + px(4)),
                             buttons_width, button_height),
                     config, static_cast<int>(code));
    controls_[which] = b;
    ok &= b != nullptr;
  }
  return ok;
}

void ConfigurationPage::show(bool visible) {
  ShowWindow(page_, visible ? SW_SHOW : SW_HIDE);
}

std::vector<HWND> ConfigurationPage::tab_order() const {
  std::vector<HWND> order;
  for (ConfigControl c :
       {ConfigControl::kSpeedList, ConfigControl::kConnect, ConfigControl::kFind,
        ConfigControl::kSpeedWrite, ConfigControl::kTimeStampFormat,
        ConfigControl::kSatelliteSystems, ConfigControl::kUtcReference, ConfigControl::kHeating,
        ConfigControl::kPpsSource, ConfigControl::kPpsWidth, ConfigControl::kRead,
        ConfigControl::kWrite, ConfigControl::kDefaults}) {
    order.push_back(control(c));
  }
  return order;
}

HWND ConfigurationPage::control(ConfigControl c) const {
  const auto found = controls_.find(c);
  return found != controls_.end() ? found->second : nullptr;
}

int ConfigurationPage::speed_position() {
  return static_cast<int>(SendMessageW(control(ConfigControl::kSpeedList), CB_GETCURSEL, 0, 0));
}

void ConfigurationPage::select_speed(int position) {
  HWND list = control(ConfigControl::kSpeedList);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
  paint_now(list);
}

void ConfigurationPage::set_connect_caption(bool connected) {
  SetWindowTextW(control(ConfigControl::kConnect), connected ? L"Разъединить" : L"Соединить");
}

void ConfigurationPage::enable(ConfigControl c, bool enabled) {
  enable_now(control(c), enabled);
}

bool ConfigurationPage::is_enabled(ConfigControl c) {
  return IsWindowEnabled(control(c)) != FALSE;
}

int ConfigurationPage::selection(ConfigControl list) {
  return static_cast<int>(SendMessageW(control(list), CB_GETCURSEL, 0, 0));
}

void ConfigurationPage::select(ConfigControl list, int position) {
  SendMessageW(control(list), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

void ConfigurationPage::set_satellite_none_item(bool present) {
  HWND list = control(ConfigControl::kSatelliteSystems);
  if (present == has_satellite_none_item())
    return;
  if (present) {
    SendMessageW(list, CB_INSERTSTRING, 0,
                 reinterpret_cast<LPARAM>(widen(kSatelliteSystemTexts[0]).c_str()));
  } else {
    SendMessageW(list, CB_DELETESTRING, 0, 0);
  }
}

bool ConfigurationPage::has_satellite_none_item() {
  return SendMessageW(control(ConfigControl::kSatelliteSystems), CB_GETCOUNT, 0, 0) ==
         static_cast<LRESULT>(kSatelliteSystemTexts.size());
}

std::string ConfigurationPage::pps_width_text() {
  return narrow(window_text(control(ConfigControl::kPpsWidth)));
}

void ConfigurationPage::set_pps_width(int width) {
  set_number(control(ConfigControl::kPpsWidth), width);
}

void ConfigurationPage::show_identity(std::string_view model, std::string_view hardware,
                                      std::string_view software) {
  const std::array<std::string_view, 3> texts = {model, hardware, software};
  for (std::size_t i = 0; i < texts.size(); ++i)
    SetWindowTextW(identity_[i], widen(texts[i]).c_str());
}

}  // namespace tk52::win32

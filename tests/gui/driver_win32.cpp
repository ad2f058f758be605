// End-to-end tests of the configurator: the real tk52cfg.exe, driven from this program as an
// operator would drive it, against the simulated clock on a COM port.
//
// Environment (set by scripts/gui-test.sh):
//   TK52CFG_EXE       the program, alone in a folder of its own (its journal.txt goes there)
//   TK52_GUI_SHOTS    folder for the screen pictures, one or more per test
//   TK52_TEST_PORT, TK52_SIM_CONTROL, TK52_SIM_OUTPUT   the simulated clock
//   TK52_SIM_MODEL    the model the clock was started as (TK-52.00 when unset)
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation_win32.h"
#include "fixture_win32.h"
#include "simulator.h"

namespace {

using namespace gui_test;
using namespace std::chrono_literals;
using gui::enabled;
using gui::text_of;

constexpr wchar_t kSerialMap[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

const std::array<std::wstring, 9> kTimeStampTexts = {L"Нет (только прием)",
                                                     L"ТК-51",
                                                     L"ТК-52",
                                                     L"ТК-52 (UNIX)",
                                                     L"GPZDA",
                                                     L"GPRMC",
                                                     L"GPGGA",
                                                     L"PPS (формат 1)",
                                                     L"PPS (формат 2)"};
const std::array<std::wstring, 4> kSatelliteTexts = {L"Отсутствует", L"ГЛОНАСС и GPS", L"ГЛОНАСС",
                                                     L"GPS"};
const std::array<std::wstring, 2> kUtcTexts = {L"UTC (SU)", L"UTC (USNO)"};
const std::array<std::wstring, 2> kHeatingTexts = {L"Откл.", L"Вкл."};
const std::array<std::wstring, 3> kPpsTexts = {
    L"PPS от навигационного модуля", L"PPS от формируемой шкалы", L"Автоматический выбор"};

// The texts the page's option controls show for a configuration as the clock's "show" prints
// it ("F,S,U,H" or "F,S,U,H,P,WWW").
std::vector<std::wstring> config_texts(const std::string& config) {
  std::vector<int> digits;
  std::string width;
  std::size_t field = 0;
  for (std::size_t at = 0; at <= config.size(); ++field) {
    const auto comma = config.find(',', at);
    const std::string part =
        config.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (field == 5) {
      width = part;
    } else {
      digits.push_back(std::stoi(part));
    }
    if (comma == std::string::npos)
      break;
    at = comma + 1;
  }
  std::vector<std::wstring> texts = {kTimeStampTexts.at(static_cast<std::size_t>(digits.at(0))),
                                     kSatelliteTexts.at(static_cast<std::size_t>(digits.at(1))),
                                     kUtcTexts.at(static_cast<std::size_t>(digits.at(2) - 1)),
                                     kHeatingTexts.at(static_cast<std::size_t>(digits.at(3)))};
  if (digits.size() > 4) {
    texts.push_back(kPpsTexts.at(static_cast<std::size_t>(digits.at(4))));
    texts.push_back(widen(std::to_string(std::stoi(width))));
  }
  return texts;
}

// Per-user settings of the program.
void delete_settings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

std::optional<std::wstring> settings_port() {
  wchar_t name[64] = {};
  DWORD size = sizeof name;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"ComPort", RRF_RT_REG_SZ, nullptr, name,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(name);
}

std::optional<DWORD> settings_speed() {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"BaudRate", RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

// The system's map of serial ports, taken away and put back by the no-port test.
class SerialMapAway {
 public:
  SerialMapAway() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialMap, 0, KEY_READ | KEY_WRITE, &key) !=
        ERROR_SUCCESS)
      return;
    for (DWORD index = 0;; ++index) {
      wchar_t name[256] = {};
      wchar_t data[256] = {};
      DWORD name_size = 256;
      DWORD data_size = sizeof data;
      DWORD type = 0;
      if (RegEnumValueW(key, index, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                        &data_size) != ERROR_SUCCESS) {
        break;
      }
      saved_.push_back({name, data});
    }
    for (const auto& [name, data] : saved_)
      RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    taken_ = true;
  }
  ~SerialMapAway() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialMap, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    for (const auto& [name, data] : saved_) {
      RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }
  SerialMapAway(const SerialMapAway&) = delete;
  SerialMapAway& operator=(const SerialMapAway&) = delete;
  bool taken() const { return taken_; }
  std::size_t count() const { return saved_.size(); }

 private:
  std::vector<std::pair<std::wstring, std::wstring>> saved_;
  bool taken_ = false;
};

// A journal line's date and time, "DD.MM.YYYY-hh:mm:ss:mmm", at text[at].
bool is_stamp(const std::string& text, std::size_t at) {
  static const char kShape[] = "00.00.0000-00:00:00:000";
  if (at + sizeof kShape - 1 > text.size())
    return false;
  for (std::size_t i = 0; i + 1 < sizeof kShape; ++i) {
    const char c = text[at + i];
    if (kShape[i] == '0' ? (c < '0' || c > '9') : c != kShape[i])
      return false;
  }
  return true;
}

bool is_event_line(const std::string& line) {
  return line.size() >= 27 && line[0] == ' ' && line[1] == '<' && is_stamp(line, 2) &&
         line.compare(25, 2, "> ") == 0;
}

bool is_sentence_line(const std::string& line) {
  return line.size() >= 31 && (line[0] == ' ' || line[0] == 'x') && line[1] == '[' &&
         is_stamp(line, 2) && line.compare(25, 2, "] ") == 0 &&
         (line.compare(27, 4, ">>> ") == 0 || line.compare(27, 4, "<<< ") == 0) &&
         line.size() > 31 && line[31] == '$';
}

// Lines with their CR LF.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end + 2 - at));
    at = end + 2;
  }
  return lines;
}

// ---------------------------------------------------------------------------------------------
// Start-up

using Startup = Tk52Gui;

TEST_F(Startup, ShowsTheMainWindowDisconnected) {
  EXPECT_EQ(short_name(text_of(app_->main())), "Конфигуратор радиочасов КЕХ ТК-52");
  EXPECT_EQ(connect_caption(), L"Соединить");
  EXPECT_TRUE(enabled(speed_control(kFind)));
  EXPECT_FALSE(enabled(speed_control(kSpeedWrite)));
  for (int id : {kRead, kWrite, kDefaults})
    EXPECT_FALSE(enabled(config_control(id))) << id;
  EXPECT_EQ(speed_text(), L"115200 бит/с") << "the remembered speed";
  const auto fields = identity_fields();
  ASSERT_EQ(fields.size(), 3u);
  for (HWND f : fields)
    EXPECT_EQ(text_of(f), L"");
  EXPECT_EQ(short_name(app_->connection_text().value_or(L"?")), "Нет соединения");
  const std::vector<std::wstring> speeds = gui::combo_items(speed_control(kSpeedList));
  EXPECT_EQ(speeds,
            (std::vector<std::wstring>{L"2400 бит/с", L"4800 бит/с", L"9600 бит/с", L"19200 бит/с",
                                       L"38400 бит/с", L"57600 бит/с", L"115200 бит/с"}));
}

TEST_F(Startup, SecondStartBringsTheFirstForwardAndEnds) {
  // Another window in front first, so that coming forward shows.
  HWND other = CreateWindowExW(0, L"STATIC", L"in front", WS_POPUP | WS_VISIBLE, 700, 500, 200, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  EXPECT_TRUE(gui::wait_until([&] { return GetForegroundWindow() == other; }));
  const auto code = gui::run_to_end(exe_);
  DestroyWindow(other);
  ASSERT_TRUE(code.has_value()) << "the second copy did not end";
  EXPECT_EQ(*code, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  std::size_t mains = 0;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        if (gui::class_of(window) == kMainClass && IsWindowVisible(window))
          ++*reinterpret_cast<std::size_t*>(data);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&mains));
  EXPECT_EQ(mains, 1u) << "main windows on the screen";
  EXPECT_TRUE(gui::wait_until([&] { return GetForegroundWindow() == app_->main(); }))
      << "the first copy's window is not in front";
}

// ---------------------------------------------------------------------------------------------
// Port selection

using PortWindow = Tk52Gui;

TEST_F(PortWindow, ListsTheMappedPortAndConnectsThroughIt) {
  // A first run: nothing remembered, so neither the port nor the speed is preselected.
  app_->close();
  delete_settings();
  start();
  EXPECT_EQ(speed_text(), L"2400 бит/с");

  ASSERT_TRUE(app_->menu_command(kMenuPort));
  HWND ports = nullptr;
  ASSERT_TRUE(gui::wait_until(
      [&] { return (ports = app_->port_window()) != nullptr && IsWindowVisible(ports); }));
  EXPECT_EQ(short_name(text_of(ports)), "Выберите порт для подключения");
  EXPECT_FALSE(enabled(app_->main())) << "the main window takes input while the port window is up";
  HWND list = gui::child(ports, kPortList);
  const auto items = gui::combo_items(list);
  EXPECT_NE(std::find(items.begin(), items.end(), port_), items.end())
      << "COM port missing from the list";
  EXPECT_EQ(gui::combo_selection(list), 0) << "the first port is preselected";
  EXPECT_EQ(text_of(gui::child(ports, kPortScan)), L"Сканировать");
  EXPECT_EQ(text_of(gui::child(ports, kPortOk)), L"ОК");
  ASSERT_TRUE(gui::combo_select_text(list, port_));
  gui::screenshot(current_test_name() + "_ports");
  ASSERT_TRUE(gui::click(gui::child(ports, kPortOk)));
  EXPECT_TRUE(gui::wait_until([&] { return !IsWindowVisible(ports) && enabled(app_->main()); }));

  ASSERT_TRUE(gui::combo_select_text(speed_control(kSpeedList), L"115200 бит/с"));
  connect();
  EXPECT_EQ(short_name(app_->connection_text().value_or(L"?")),
            short_name(L"Соединение: " + port_ + L", 115200, 8N1"));
  // Connecting remembers the port and the speed.
  EXPECT_EQ(settings_port().value_or(L"?"), port_);
  EXPECT_EQ(settings_speed().value_or(99), 6u);
}

// ---------------------------------------------------------------------------------------------
// Connection

using Connection = Tk52Gui;

TEST_F(Connection, IdentifiesTheModel) {
  const Model model = model_under_test();
  ASSERT_EQ(sim_->state("model").value_or("?"), model.wire) << "the clock runs as another model";
  connect();
  const auto fields = identity_fields();
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_TRUE(gui::wait_until([&] { return trimmed(text_of(fields[0])) == model.shown; }))
      << short_name(text_of(fields[0]));
  EXPECT_EQ(text_of(fields[1]), L"01");
  EXPECT_EQ(text_of(fields[2]), model.software);

  HWND satellites = config_control(kSatelliteList);
  const std::vector<std::wstring> items = gui::combo_items(satellites);
  if (has_pps(model.type)) {
    EXPECT_EQ(items,
              (std::vector<std::wstring>{L"Отсутствует", L"ГЛОНАСС и GPS", L"ГЛОНАСС", L"GPS"}));
  } else {
    EXPECT_EQ(items, (std::vector<std::wstring>{L"ГЛОНАСС и GPS", L"ГЛОНАСС", L"GPS"}));
  }
  // The page shows the clock's configuration.
  EXPECT_TRUE(lists_show(config_texts(sim_->state("config").value_or("0,1,1,0"))));

  EXPECT_EQ(enabled(satellites), model.type != 2) << "satellite systems";
  EXPECT_EQ(enabled(config_control(kUtcList)), !has_pps(model.type)) << "UTC";
  EXPECT_EQ(enabled(config_control(kHeatingList)), !has_pps(model.type)) << "heating";
  EXPECT_EQ(enabled(config_control(kPpsSourceList)), has_pps(model.type)) << "PPS source";
  EXPECT_EQ(enabled(config_control(kPpsWidthField)), has_pps(model.type)) << "PPS width";
  EXPECT_TRUE(enabled(config_control(kTimeStampList)));
  for (int id : {kRead, kWrite, kDefaults})
    EXPECT_TRUE(enabled(config_control(id))) << id;
  EXPECT_FALSE(enabled(speed_control(kFind)));
  EXPECT_TRUE(enabled(speed_control(kSpeedWrite)));
  if (has_pps(model.type)) {
    // The PPS models report neither temperature nor heating.
    EXPECT_EQ(text_of(info_control(kTemperatureField)), L"0");
    EXPECT_EQ(text_of(info_control(kHeatingField)), L"Нет");
    EXPECT_FALSE(enabled(info_control(kTemperatureField)));
    EXPECT_FALSE(enabled(info_control(kHeatingField)));
  }
  EXPECT_EQ(short_name(app_->connection_text().value_or(L"?")),
            short_name(L"Соединение: " + port_ + L", 115200, 8N1"));
  gui::screenshot(current_test_name() + "_connected");

  disconnect();
  for (HWND f : identity_fields())
    EXPECT_EQ(text_of(f), L"");
  EXPECT_TRUE(enabled(speed_control(kFind)));
  EXPECT_FALSE(enabled(config_control(kRead)));
  EXPECT_EQ(short_name(app_->connection_text().value_or(L"?")), "Нет соединения");
}

TEST_F(Connection, PortCommandGreyedWhileConnected) {
  // Disconnected: "Настройки", "COM-порт" opens the port window.
  ASSERT_TRUE(app_->pick_from_menu(1)) << "the menu did not open and close";
  HWND ports = nullptr;
  ASSERT_TRUE(gui::wait_until([&] {
    return (ports = app_->port_window()) != nullptr && IsWindowVisible(ports);
  })) << "the port window did not open from the menu";
  ASSERT_TRUE(gui::click(gui::child(ports, kPortOk)));
  ASSERT_TRUE(gui::wait_until([&] { return !IsWindowVisible(ports); }));

  // Connected: the same keys pick nothing. A pressed look posted to a button after the menu
  // has closed shows when everything queued before it has been handled.
  connect();
  ASSERT_TRUE(app_->pick_from_menu(1)) << "the menu did not open and close";
  HWND marker = speed_control(kFind);
  PostMessageW(marker, BM_SETSTATE, TRUE, 0);
  ASSERT_TRUE(gui::wait_until([&] {
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(marker, BM_GETSTATE, 0, 0, SMTO_NORMAL, 5000, &state) != 0 &&
           (state & BST_PUSHED) != 0;
  }));
  SendMessageTimeoutW(marker, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, 5000, nullptr);
  EXPECT_FALSE(IsWindowVisible(ports)) << "\"COM-порт\" worked while connected";
}

TEST_F(Connection, FindsTheClockAt115200) {
  ASSERT_TRUE(gui::combo_select_text(speed_control(kSpeedList), L"2400 бит/с"));
  ASSERT_TRUE(gui::click(speed_control(kFind))) << "the search ended with a message";
  EXPECT_TRUE(gui::wait_until([&] { return connect_caption() == L"Разъединить"; }));
  EXPECT_EQ(speed_text(), L"115200 бит/с");
  EXPECT_TRUE(field_shows(identity_fields().at(0), model_under_test().shown));
  EXPECT_TRUE(journal_has(L"Установлено соединение по " + port_ + L" на скорости 115200 бит/с"));
}

TEST_F(Connection, ChangesTheSpeedAndKeepsTalking) {
  connect();
  ASSERT_TRUE(gui::combo_select_text(speed_control(kSpeedList), L"9600 бит/с"));
  ASSERT_TRUE(gui::click(speed_control(kSpeedWrite))) << "the speed change ended with a message";
  EXPECT_EQ(sim_->state("baud").value_or("?"), "9600");
  EXPECT_EQ(short_name(app_->connection_text().value_or(L"?")),
            short_name(L"Соединение: " + port_ + L", 9600, 8N1"));
  EXPECT_TRUE(journal_has(L"Установлена скорость передачи данных - 9600 бит/с"));
  // The link works at the new speed.
  ASSERT_TRUE(app_->show_tab(1));
  ASSERT_TRUE(gui::click(info_control(kRequestInfo))) << "the request ended with a message";
  EXPECT_TRUE(field_shows(info_control(kSatellitesField), L"8"));
}

TEST_F(Connection, NoPortChosen) {
  {
    // The system forgets its serial ports; a new scan finds none.
    SerialMapAway away;
    ASSERT_TRUE(away.taken());
    ASSERT_TRUE(app_->menu_command(kMenuPort));
    HWND ports = nullptr;
    ASSERT_TRUE(gui::wait_until(
        [&] { return (ports = app_->port_window()) != nullptr && IsWindowVisible(ports); }));
    ASSERT_TRUE(gui::click(gui::child(ports, kPortScan)));
    EXPECT_EQ(gui::combo_count(gui::child(ports, kPortList)), 0);
    ASSERT_TRUE(gui::click(gui::child(ports, kPortOk)));
    ASSERT_TRUE(gui::wait_until([&] { return !IsWindowVisible(ports); }));
  }
  gui::post_click(speed_control(kConnect));
  expect_box(L"Внимание!", L"Порт для подключения не выбран.");
  EXPECT_EQ(connect_caption(), L"Соединить");
}

TEST_F(Connection, SilentClock) {
  ASSERT_TRUE(sim_->run("fault silent"));
  gui::post_click(speed_control(kConnect));
  // The operation's status text stays up while the box is shown, and goes with it.
  expect_box(L"Соединение не установлено.",
             L"Не удалось обнаружить устройство ТК на " + port_ + L".", IDOK,
             [&] { EXPECT_EQ(short_name(app_->status_text().value_or(L"?")), "Соединение..."); });
  EXPECT_EQ(short_name(app_->status_text().value_or(L"?")), "");
  EXPECT_EQ(connect_caption(), L"Соединить");
  EXPECT_TRUE(enabled(speed_control(kFind)));
  EXPECT_EQ(short_name(app_->connection_text().value_or(L"?")), "Нет соединения");
}

// A clock that talked while nobody listened: as the port opens, its adapter hands over thirty
// time sentences at once, ahead of the first reply. Reading them must not push the replies past
// the connect's attempts, on any of twenty connects.
TEST_F(Connection, ABacklogOfTimeSentencesDoesNotHideTheClock) {
  ASSERT_TRUE(sim_->run("fault backlog=30"));
  for (int attempt = 1; attempt <= 20; ++attempt) {
    SCOPED_TRACE("connect " + std::to_string(attempt) + " of 20");
    connect();
    if (HasFatalFailure())
      return;
    disconnect();
    if (HasFatalFailure())
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Configuration

using Configuration = Tk52Gui;

TEST_F(Configuration, WritesReadsAndSetsDefaults) {
  const Model model = model_under_test();
  connect();
  ASSERT_TRUE(lists_show(config_texts(initial_config())));

  // Write: GPZDA, GPS, UTC (SU), heating on.
  ASSERT_TRUE(gui::combo_select_text(config_control(kTimeStampList), L"GPZDA"));
  if (enabled(config_control(kSatelliteList))) {
    ASSERT_TRUE(gui::combo_select_text(config_control(kSatelliteList), L"GPS"));
  }
  if (!has_pps(model.type)) {
    ASSERT_TRUE(gui::combo_select_text(config_control(kUtcList), L"UTC (SU)"));
    ASSERT_TRUE(gui::combo_select_text(config_control(kHeatingList), L"Вкл."));
  }
  ASSERT_TRUE(gui::click(config_control(kWrite))) << "the write ended with a message";
  const std::string written = sim_->state("config").value_or("?");
  if (model.type == 1) {
    EXPECT_EQ(written, "4,3,1,1");
    EXPECT_TRUE(
        journal_has(L"Записана конфигурация \"Метка времени: <GPZDA>, СНС: <GPS>, UTC: <UTC (SU)>, "
                    L"Обогрев: <Вкл.>\"."));
  } else {
    EXPECT_EQ(written.substr(0, 1), "4");
  }

  // Read: the clock's configuration changed behind the program's back.
  const std::string other = has_pps(model.type) ? "5,2,2,0,1,250" : "5,2,2,0";
  ASSERT_TRUE(sim_->run("config " + other));
  ASSERT_TRUE(gui::click(config_control(kRead))) << "the read ended with a message";
  EXPECT_TRUE(lists_show(config_texts(other)));

  // Defaults: the controls only, nothing goes to the clock.
  ASSERT_TRUE(gui::click(config_control(kDefaults)));
  std::vector<std::wstring> defaults;
  switch (model.type) {
    case 1:
      defaults = {L"ТК-52", L"ГЛОНАСС и GPS", L"UTC (USNO)", L"Откл."};
      break;
    case 2:
      defaults = {L"ТК-52", L"GPS", L"UTC (USNO)", L"Откл."};
      break;
    default:
      defaults = {L"ТК-52", L"ГЛОНАСС и GPS",        L"UTC (USNO)",
                  L"Откл.", L"Автоматический выбор", L"100"};
      break;
  }
  EXPECT_TRUE(lists_show(defaults));
  EXPECT_EQ(sim_->state("config").value_or("?"), other);
}

constexpr int kMenuSaveConfiguration = 40006;
constexpr int kMenuLoadConfiguration = 40007;

// "Сохранить конфигурацию..." and "Загрузить конфигурацию...": the page's lists go to a file and
// come back from it; loading writes nothing to the clock, and a profile of another model is
// refused with a message, the lists left as they were, and so is a hostile file.
TEST_F(Configuration, ProfilesKeepAndFillTheListsWithoutWriting) {
  const Model model = model_under_test();
  connect();
  const std::string held = sim_->state("config").value_or("?");
  const std::wstring profile = gui::folder_of(exe_) + L"\\profile.json";
  DeleteFileW(profile.c_str());
  // Through the menu's dialog, `path` typed into its name box.
  auto through_dialog = [&](int item, const char* title, const std::wstring& path) {
    ASSERT_TRUE(app_->menu_command(item));
    const auto dialog = gui::wait_message_box(app_->process_id());
    ASSERT_TRUE(dialog.has_value()) << "no dialog for " << title;
    EXPECT_EQ(short_name(dialog->title), title);
    enter_file_name(*dialog, path);
  };

  // GPZDA on the page (not written), kept in the file.
  ASSERT_TRUE(gui::combo_select_text(config_control(kTimeStampList), L"GPZDA"));
  through_dialog(kMenuSaveConfiguration, "Сохранить конфигурацию как...", profile);
  std::string text;
  ASSERT_TRUE(gui::wait_until([&] {
    text = gui::read_file(profile).value_or("");
    return text.find("\"time_stamp_format\": \"GPZDA\"") != std::string::npos;
  })) << text;
  const std::string wire = model.wire.substr(0, model.wire.find_last_not_of(' ') + 1);
  EXPECT_NE(text.find("\"model\": \"" + wire + "\""), std::string::npos) << text;

  // Other texts on the page; the file brings GPZDA back, and the clock still holds its own.
  ASSERT_TRUE(gui::combo_select_text(config_control(kTimeStampList), L"GPRMC"));
  through_dialog(kMenuLoadConfiguration, "Загрузить конфигурацию", profile);
  EXPECT_TRUE(gui::wait_until([&] { return text_of(config_control(kTimeStampList)) == L"GPZDA"; }));
  EXPECT_EQ(sim_->state("config").value_or("?"), held);

  // The same file claiming another model: refused, the lists as they were.
  const std::string other = model.type == 4 ? "TK-52.00" : "TK-53";
  const std::string other_type = model.type == 4 ? "1" : "4";
  std::string foreign = text;
  foreign.replace(foreign.find("\"model_type\": "), 15, "\"model_type\": " + other_type);
  {
    std::FILE* file = _wfopen(profile.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(foreign.data(), 1, foreign.size(), file);
    std::fclose(file);
  }
  ASSERT_TRUE(gui::combo_select_text(config_control(kTimeStampList), L"GPRMC"));
  through_dialog(kMenuLoadConfiguration, "Загрузить конфигурацию", profile);
  expect_box(L"Ошибка!", L"Конфигурация сохранена для модели " + widen(other) +
                             L", а подключена модель " + widen(wire) + L".");
  EXPECT_EQ(text_of(config_control(kTimeStampList)), L"GPRMC");
  EXPECT_EQ(sim_->state("config").value_or("?"), held);

  // A value nested 20,000 deep once took the program down; now it is one clear refusal.
  {
    const std::string nested = "{\"x\":" + std::string(20'000, '[') + std::string(20'000, ']') +
                               ",\"format\":\"tk52cfg-configuration\"}";
    std::FILE* file = _wfopen(profile.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(nested.data(), 1, nested.size(), file);
    std::fclose(file);
  }
  through_dialog(kMenuLoadConfiguration, "Загрузить конфигурацию", profile);
  expect_box(L"Ошибка!",
             L"Файл не является файлом конфигурации: значения в нём вложены слишком глубоко.");
  EXPECT_EQ(text_of(config_control(kTimeStampList)), L"GPRMC");
  DeleteFileW(profile.c_str());
}

// ---------------------------------------------------------------------------------------------
// Monitoring

using Monitoring = Tk52Gui;

TEST_F(Monitoring, ExtraInformation) {
  connect();
  ASSERT_TRUE(app_->show_tab(1));
  ASSERT_TRUE(gui::click(info_control(kRequestInfo))) << "the request ended with a message";
  EXPECT_TRUE(field_shows(info_control(kSatellitesField), L"8"));
  EXPECT_EQ(text_of(info_control(kStatusField)), L"A");
  EXPECT_EQ(text_of(info_control(kTemperatureField)), L"23");
  EXPECT_EQ(text_of(info_control(kHeatingField)), L"Да");
  // 156.07 m; the fraction's digits may be kept as received or printed as a number.
  const std::wstring altitude = text_of(info_control(kAltitudeField));
  EXPECT_TRUE(altitude == L"156.07" || altitude == L"156.7") << short_name(altitude);
  for (int id : {kLatitudeField, kLongitudeField, kAltitudeField}) {
    EXPECT_TRUE(enabled(info_control(id))) << id;
  }
  EXPECT_EQ(text_of(info_control(kLatitudeField)).substr(0, 7), L"N  55° ");
  EXPECT_EQ(text_of(info_control(kLongitudeField)).substr(0, 7), L"E  37° ");
  gui::screenshot(current_test_name() + "_valid");

  // No fix: no satellites, and the position fields greyed.
  ASSERT_TRUE(sim_->run("status V"));
  ASSERT_TRUE(gui::click(info_control(kRequestInfo)));
  EXPECT_TRUE(field_shows(info_control(kStatusField), L"V"));
  EXPECT_EQ(text_of(info_control(kSatellitesField)), L"0");
  for (int id : {kLatitudeField, kLongitudeField, kAltitudeField}) {
    EXPECT_FALSE(enabled(info_control(id))) << id;
  }
}

TEST_F(Monitoring, SelfDiagnostic) {
  connect();
  ASSERT_TRUE(app_->show_tab(1));
  ASSERT_TRUE(gui::click(info_control(kSelfTest))) << "a clock without faults made a message";
  EXPECT_TRUE(field_shows(info_control(kSelfTestField), L"OK"));
  EXPECT_TRUE(journal_has(
      L"Получен код самодиагностики (OK): Шибок не обнаружено. Радиочасы готовы к работе."));

  ASSERT_TRUE(sim_->run("diag 4"));
  gui::post_click(info_control(kSelfTest));
  expect_box(L"Результат самодиагностики",
             L"Код самодиагностики - E4.\r\nНет данных от приемного модуля.");
  EXPECT_TRUE(field_shows(info_control(kSelfTestField), L"E4"));
  EXPECT_TRUE(journal_has(L"Получен код самодиагностики (E4): Нет данных от приемного модуля."));
}

TEST_F(Monitoring, PeriodicRequest) {
  connect();
  ASSERT_TRUE(app_->show_tab(1));
  HWND periodic = info_control(kPeriodicInfo);
  ASSERT_TRUE(gui::click(periodic));
  DWORD_PTR check = 0;
  SendMessageTimeoutW(periodic, BM_GETCHECK, 0, 0, SMTO_NORMAL, 15000, &check);
  EXPECT_EQ(check, static_cast<DWORD_PTR>(BST_CHECKED));
  EXPECT_FALSE(enabled(info_control(kRequestInfo)))
      << "a single request while the periodic one runs";
  EXPECT_TRUE(enabled(info_control(kSelfTest)));
  // The fields fill, and follow the clock, without a click.
  EXPECT_TRUE(field_shows(info_control(kSatellitesField), L"8"));
  ASSERT_TRUE(sim_->run("sats 5"));
  EXPECT_TRUE(field_shows(info_control(kSatellitesField), L"5"));
  ASSERT_TRUE(gui::click(periodic));
  EXPECT_TRUE(enabled(info_control(kRequestInfo)));
}

// ---------------------------------------------------------------------------------------------
// Traffic log

using TrafficLog = Tk52Gui;

TEST_F(TrafficLog, FollowButtonStopsAndFollows) {
  ASSERT_TRUE(app_->show_tab(1));
  HWND follow = gui::child(log_group(), kFollowLog);
  EXPECT_EQ(text_of(follow), L"Остановить");
  ASSERT_TRUE(gui::click(follow));
  EXPECT_EQ(text_of(follow), L"Следить");
  ASSERT_TRUE(gui::click(follow));
  EXPECT_EQ(text_of(follow), L"Остановить");
}

TEST_F(TrafficLog, SavesAndClears) {
  connect();
  disconnect();
  ASSERT_TRUE(app_->show_tab(1));
  const std::string before = journal();
  ASSERT_FALSE(before.empty());

  // Save a copy through the save dialog.
  const std::wstring copy = gui::folder_of(exe_) + L"\\saved log.txt";
  DeleteFileW(copy.c_str());
  gui::post_click(gui::child(log_group(), kSaveLog));
  const auto dialog = gui::wait_message_box(app_->process_id());
  ASSERT_TRUE(dialog.has_value()) << "no save dialog";
  EXPECT_EQ(short_name(dialog->title), "Сохранить журнал как...");
  // The file name box: a combo box with an edit (cmb13) in the explorer style, else edt1.
  HWND name = GetDlgItem(dialog->window, 0x47C);
  if (name == nullptr)
    name = GetDlgItem(dialog->window, 0x480);
  ASSERT_NE(name, nullptr) << "no file name box in the save dialog";
  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()),
                                SMTO_NORMAL, 15000, &result),
            0);
  gui::screenshot(current_test_name() + "_save");
  ASSERT_TRUE(gui::answer(*dialog, IDOK));
  EXPECT_TRUE(gui::wait_until([&] { return gui::read_file(copy).value_or("") == before; }))
      << "the saved copy differs from journal.txt";

  // Clear: No keeps the file, Yes empties it.
  const std::wstring question =
      L"После очистки журнала, все данные в нем будут утеряны.\r\nОчистить журнал?";
  gui::post_click(gui::child(log_group(), kClearLog));
  expect_box(L"Очистка журнала.", question, IDNO);
  EXPECT_EQ(journal(), before);
  gui::post_click(gui::child(log_group(), kClearLog));
  expect_box(L"Очистка журнала.", question, IDYES);
  EXPECT_TRUE(gui::wait_until([&] { return journal().empty(); }))
      << journal().size() << " bytes left";
}

TEST_F(TrafficLog, JournalBytesOfAShortSession) {
  close_program();
  ASSERT_TRUE(DeleteFileW(journal_path().c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND);
  SYSTEMTIME day_before{};
  GetLocalTime(&day_before);
  start();
  connect();
  disconnect();
  close_program();
  SYSTEMTIME day_after{};
  GetLocalTime(&day_after);

  const std::string bytes = journal();
  const std::vector<std::string> lines = lines_of(bytes);
  ASSERT_GE(lines.size(), 4u);
  const auto date = [](const SYSTEMTIME& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u.%02u.%04u", t.wDay, t.wMonth, t.wYear);
    return std::string(text);
  };
  const std::string start_line = lines.front();
  ASSERT_TRUE(is_event_line(start_line)) << start_line;
  EXPECT_TRUE(start_line.compare(2, 10, date(day_before)) == 0 ||
              start_line.compare(2, 10, date(day_after)) == 0)
      << start_line;
  EXPECT_EQ(start_line.substr(27), gui::to_cp1251(L"Начало работы приложения") + "\r\n");
  ASSERT_TRUE(is_event_line(lines.back())) << lines.back();
  EXPECT_EQ(lines.back().substr(27), gui::to_cp1251(L"Конец работы приложения") + "\r\n");

  bool sent_identification = false;
  bool received_identification = false;
  bool connected = false;
  bool disconnected = false;
  const std::string connected_text =
      gui::to_cp1251(L"Установлено соединение по " + port_ + L" на скорости 115200 бит/с") + "\r\n";
  const std::string disconnected_text =
      gui::to_cp1251(L"Соединение разорвано. Всего предложений принято: ");
  for (const std::string& line : lines) {
    EXPECT_TRUE(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) << line;
    EXPECT_TRUE(is_event_line(line) || is_sentence_line(line)) << "not a journal line: " << line;
    if (line[0] == 'x')
      ADD_FAILURE() << "a bad sentence from the clock: " << line;
    if (is_sentence_line(line)) {
      const std::string sentence = line.substr(31);
      if (line.compare(27, 4, "<<< ") == 0 && sentence.rfind("$PKEXI*", 0) == 0)
        sent_identification = true;
      if (line.compare(27, 4, ">>> ") == 0 &&
          sentence.rfind("$PKEXI," + model_under_test().wire + ",01,", 0) == 0) {
        received_identification = true;
      }
      EXPECT_EQ(sentence.find("\r\n"), sentence.size() - 2) << "one sentence a line: " << line;
    } else {
      if (line.substr(27) == connected_text)
        connected = true;
      if (line.compare(27, disconnected_text.size(), disconnected_text) == 0)
        disconnected = true;
    }
  }
  EXPECT_TRUE(sent_identification) << "no \"<<< $PKEXI*\" line";
  EXPECT_TRUE(received_identification) << "no \">>> $PKEXI,...\" line";
  EXPECT_TRUE(connected) << "no connection line";
  EXPECT_TRUE(disconnected) << "no disconnection line";
  app_.reset();
}

// ---------------------------------------------------------------------------------------------
// Settings

using Settings = Tk52Gui;

TEST_F(Settings, KeptAcrossARestart) {
  ASSERT_TRUE(sim_->run("baud 9600"));
  ASSERT_TRUE(gui::combo_select_text(speed_control(kSpeedList), L"9600 бит/с"));
  connect();
  close_program();
  EXPECT_EQ(settings_port().value_or(L"?"), port_);
  EXPECT_EQ(settings_speed().value_or(99), 2u);

  start();
  EXPECT_EQ(speed_text(), L"9600 бит/с");
  ASSERT_TRUE(app_->menu_command(kMenuPort));
  HWND ports = nullptr;
  ASSERT_TRUE(gui::wait_until(
      [&] { return (ports = app_->port_window()) != nullptr && IsWindowVisible(ports); }));
  EXPECT_EQ(text_of(gui::child(ports, kPortList)), port_) << "the remembered port is preselected";
  ASSERT_TRUE(gui::click(gui::child(ports, kPortOk)));
  ASSERT_TRUE(gui::wait_until([&] { return !IsWindowVisible(ports); }));
  connect();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // The program's windows are measured in real pixels at any display scale.
  SetProcessDPIAware();
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i)
    arguments.push_back(gui::to_utf8(argv[i]));
  std::vector<char*> pointers;
  for (auto& a : arguments)
    pointers.push_back(a.data());
  int count = argc;
  ::testing::InitGoogleTest(&count, pointers.data());
  const int result = RUN_ALL_TESTS();
  gui::finish_clicks();
  const auto* unit = ::testing::UnitTest::GetInstance();
  std::printf("%d passed, %d failed\n", unit->successful_test_count(), unit->failed_test_count());
  std::fflush(stdout);
  return result;
}

// Keyboard navigation and the log viewer windows.
namespace {

constexpr int kMenuLoadLog = 40001;
constexpr wchar_t kViewerClass[] = L"JOURNALWINDOW_CLASS_TK52CFG";

}  // namespace

class Keyboard : public Tk52Gui {
 protected:
  // The window with the focus on the program's interface thread.
  HWND focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(app_->main(), nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
  }
  // Presses Tab where the focus is, as the keyboard would, and waits until it was handled: a
  // marker posted after the key (a read-only field's text limit) changes once the program's
  // thread has taken every message posted before it.
  HWND tab_from_focus() {
    HWND at = focus();
    HWND target = at != nullptr ? at : app_->main();
    PostMessageW(target, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(target, WM_KEYUP, VK_TAB, 0xC0000001);
    HWND marker = identity_fields().at(0);
    const WPARAM mark = 1000 + static_cast<WPARAM>(++marks_);
    PostMessageW(marker, EM_SETLIMITTEXT, mark, 0);
    EXPECT_TRUE(gui::wait_until([&] {
      DWORD_PTR limit = 0;
      return SendMessageTimeoutW(marker, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 5000, &limit) != 0 &&
             limit == mark;
    })) << "the Tab key was not handled";
    return focus();
  }
  int marks_ = 0;
  // Focus on the tab control, as after a click on a tab.
  void focus_tab(int index) const {
    ASSERT_TRUE(app_->show_tab(index));
    PostMessageW(app_->tab(), WM_LBUTTONDOWN, 0, MAKELPARAM(4, 4));
    PostMessageW(app_->tab(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    // The click lands on the first tab. Sent messages go before posted ones, so neither a
    // settle nor the focus (already on the tab control after a page change) shows that the
    // click was taken; the first page being selected does. Otherwise the click could come
    // after the page asked for below and take it away again.
    ASSERT_TRUE(gui::wait_until([&] {
      DWORD_PTR selected = 1;
      return SendMessageTimeoutW(app_->tab(), TCM_GETCURSEL, 0, 0, SMTO_NORMAL, 5000, &selected) !=
                 0 &&
             selected == 0;
    })) << "the click on the first tab was not taken";
    ASSERT_TRUE(app_->settle());
    ASSERT_TRUE(gui::wait_until([&] { return focus() == app_->tab(); })) << "the tab has no focus";
    ASSERT_TRUE(app_->show_tab(index));
    ASSERT_TRUE(app_->settle());
  }
  // Walks Tab from the tab control round the page and back; the controls the focus visited.
  std::vector<HWND> walk() {
    std::vector<HWND> visited;
    for (int i = 0; i < 40; ++i) {
      HWND now = tab_from_focus();
      if (now == app_->tab() || now == nullptr)
        break;
      visited.push_back(now);
    }
    return visited;
  }
  // The enabled ones of `order`, which is the page's visual order.
  static std::vector<HWND> enabled_of(const std::vector<HWND>& order) {
    std::vector<HWND> out;
    for (HWND h : order) {
      if (h != nullptr && IsWindowEnabled(h))
        out.push_back(h);
    }
    return out;
  }
  std::vector<HWND> configuration_order() const {
    std::vector<HWND> order = {speed_control(kSpeedList), speed_control(kConnect),
                               speed_control(kFind), speed_control(kSpeedWrite)};
    for (int id : {kTimeStampList, kSatelliteList, kUtcList, kHeatingList, kPpsSourceList,
                   kPpsWidthField, kRead, kWrite, kDefaults}) {
      order.push_back(config_control(id));
    }
    return order;
  }
  std::vector<HWND> monitoring_order() const {
    return {gui::child(log_group(), kFollowLog), gui::child(log_group(), kClearLog),
            gui::child(log_group(), kSaveLog),   info_control(kPeriodicInfo),
            info_control(kRequestInfo),          info_control(kSelfTest)};
  }
};

TEST_F(Keyboard, TabWalksEachPageInVisualOrderSkippingDisabledControls) {
  // Disconnected: the buttons that need a clock are skipped.
  focus_tab(0);
  EXPECT_EQ(walk(), enabled_of(configuration_order()));
  EXPECT_FALSE(IsWindowEnabled(speed_control(kSpeedWrite)));
  connect();
  focus_tab(0);
  EXPECT_EQ(walk(), enabled_of(configuration_order()));
  focus_tab(1);
  EXPECT_EQ(walk(), enabled_of(monitoring_order()));
  EXPECT_EQ(walk().size(), enabled_of(monitoring_order()).size()) << "the walk is a cycle";
  disconnect();
}

TEST_F(Keyboard, APageWithEveryControlDisabledLeadsBackToTheTabControl) {
  focus_tab(1);
  const std::vector<HWND> controls = monitoring_order();
  for (HWND h : controls)
    EnableWindow(h, FALSE);
  EXPECT_EQ(tab_from_focus(), app_->tab());
  EXPECT_EQ(tab_from_focus(), app_->tab());
  for (HWND h : controls)
    EnableWindow(h, TRUE);
  EXPECT_EQ(tab_from_focus(), gui::child(log_group(), kFollowLog));
}

TEST_F(Keyboard, TabFromAControlOutsideEveryChainGoesToThePagesFirstControl) {
  focus_tab(0);
  // A read-only identity field takes the focus on a click but is in no chain.
  HWND field = identity_fields().at(0);
  PostMessageW(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(field, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  ASSERT_TRUE(app_->settle());
  ASSERT_TRUE(gui::wait_until([&] { return focus() == field; }));
  EXPECT_EQ(tab_from_focus(), speed_control(kSpeedList));
}

TEST_F(Keyboard, ThePortWindowsThreeControlsFormARing) {
  ASSERT_TRUE(app_->menu_command(kMenuPort));
  HWND ports = nullptr;
  ASSERT_TRUE(gui::wait_until(
      [&] { return (ports = app_->port_window()) != nullptr && IsWindowVisible(ports); }));
  HWND list = gui::child(ports, kPortList);
  ASSERT_TRUE(gui::wait_until([&] { return focus() == list; })) << "the list has no focus";
  EXPECT_EQ(tab_from_focus(), gui::child(ports, kPortOk));
  EXPECT_EQ(tab_from_focus(), gui::child(ports, kPortScan));
  EXPECT_EQ(tab_from_focus(), list);
  gui::screenshot(current_test_name());
  gui::post_click(gui::child(ports, kPortOk));
  ASSERT_TRUE(gui::wait_until([&] { return !IsWindowVisible(ports); }));
}

class Viewers : public Tk52Gui {
 protected:
  std::vector<HWND> viewers() const { return gui::top_windows(app_->process_id(), kViewerClass); }
  // "Загрузить журнал" with `path` typed into the open dialog.
  void load(const std::wstring& path) {
    ASSERT_TRUE(app_->menu_command(kMenuLoadLog));
    const auto dialog = gui::wait_message_box(app_->process_id());
    ASSERT_TRUE(dialog.has_value()) << "no open dialog";
    EXPECT_EQ(short_name(dialog->title), "Загрузить журнал");
    enter_file_name(*dialog, path);
    ASSERT_TRUE(app_->settle());
  }
};

TEST_F(Viewers, AtMostFiveAndTheLiveTrafficLogAmongThem) {
  connect();
  // The live journal.txt, written while it is viewed.
  load(journal_path());
  ASSERT_TRUE(gui::wait_until([&] { return viewers().size() == 1; })) << "no viewer window";
  EXPECT_EQ(short_name(text_of(viewers().at(0))), short_name(journal_path()));
  gui::screenshot(current_test_name() + "_viewer");
  for (std::size_t n = 2; n <= 5; ++n) {
    load(journal_path());
    ASSERT_TRUE(gui::wait_until([&] { return viewers().size() == n; })) << n << " viewers";
  }
  // The sixth is refused with the limit message, whose box has no owner.
  ASSERT_TRUE(app_->menu_command(kMenuLoadLog));
  const auto dialog = gui::wait_message_box(app_->process_id());
  ASSERT_TRUE(dialog.has_value());
  if (short_name(dialog->title) == "Загрузить журнал") {
    HWND name = GetDlgItem(dialog->window, 0x47C);
    if (name == nullptr)
      name = GetDlgItem(dialog->window, 0x480);
    const std::wstring path = journal_path();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL,
                        15000, &result);
    ASSERT_TRUE(gui::answer(*dialog, IDOK));
  }
  expect_box(L"Внимание!", L"Одновременно может быть открыто не больше, чем 5 окон.");
  EXPECT_EQ(viewers().size(), 5u);
  // Closing one lets the next open.
  PostMessageW(viewers().at(0), WM_CLOSE, 0, 0);
  ASSERT_TRUE(gui::wait_until([&] { return viewers().size() == 4; }));
  load(journal_path());
  EXPECT_TRUE(gui::wait_until([&] { return viewers().size() == 5; }));
  for (HWND v : viewers())
    PostMessageW(v, WM_CLOSE, 0, 0);
  EXPECT_TRUE(gui::wait_until([&] { return viewers().empty(); }));
  disconnect();
}

namespace {

constexpr int kViewerLogView = 0x2501;

// A traffic log of `lines` lines of 70 bytes, written in large blocks: every line ordinary
// (black) but the last, which is a bad sentence's (red, an "x" first).
bool write_long_log(const std::wstring& path, unsigned lines) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  const std::string line =
      "0000000 12:00:00.000 |   > $PKEXT,120000.00,11,12,2026,A,08,2103*19\r\n";
  std::string block;
  block.reserve(line.size() * 65536);
  bool written = true;
  for (unsigned n = 1; n <= lines && written; ++n) {
    const std::size_t at = block.size();
    block += line;
    for (unsigned value = n, digit = 7; digit-- > 0; value /= 10)
      block[at + digit] = static_cast<char>('0' + value % 10);
    if (n == lines)
      block[at] = 'x';
    if (block.size() + line.size() > block.capacity() || n == lines) {
      DWORD done = 0;
      written = WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) &&
                done == block.size();
      block.clear();
    }
  }
  return CloseHandle(file) && written;
}

// Pixels of the bad sentence's red, or of its edges drawn over the view's background.
int red_pixels(const gui::Pixels& pixels) {
  int count = 0;
  for (COLORREF c : pixels.rgb) {
    const int r = static_cast<int>((c >> 16) & 0xFF);
    const int g = static_cast<int>((c >> 8) & 0xFF);
    const int b = static_cast<int>(c & 0xFF);
    if (r - g > 60 && r - b > 60)
      ++count;
  }
  return count;
}

std::size_t working_set(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

}  // namespace

// A log far longer than the program ever keeps (a capture of days, about 200 MB): the viewer
// takes all of it and opens at its end, where the last line shows.
TEST_F(Viewers, AThreeMillionLineLogOpensAtItsLastLine) {
  constexpr unsigned kLines = 3'000'000;
  const std::wstring path = gui::folder_of(exe_) + L"\\long_log.txt";
  ASSERT_TRUE(write_long_log(path, kLines));
  const std::size_t memory_before = working_set(app_->process());
  // "Загрузить журнал"; the time runs from the dialog's OK.
  ASSERT_TRUE(app_->menu_command(kMenuLoadLog));
  const auto dialog = gui::wait_message_box(app_->process_id());
  ASSERT_TRUE(dialog.has_value()) << "no open dialog";
  HWND name = GetDlgItem(dialog->window, 0x47C);
  if (name == nullptr)
    name = GetDlgItem(dialog->window, 0x480);
  ASSERT_NE(name, nullptr);
  ASSERT_NE(SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                                SMTO_NORMAL, 15000, nullptr),
            0);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(gui::answer(*dialog, IDOK));
  HWND viewer = nullptr;
  ASSERT_TRUE(gui::wait_until(
      [&] {
        const auto open = viewers();
        viewer = open.empty() ? nullptr : open.front();
        return viewer != nullptr && IsWindowVisible(viewer);
      },
      60s))
      << "no viewer window";
  ASSERT_TRUE(app_->settle());
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  const std::size_t memory_after = working_set(app_->process());
  const int red = red_pixels(gui::settled_pixels(gui::child(viewer, kViewerLogView), true));
  gui::screenshot(current_test_name() + "_viewer");
  EXPECT_GT(red, 20) << "the last line (the only red one) is not in view";
  std::printf(
      "viewer: %u lines shown %.2f s after the dialog's OK; the program's working set "
      "grew by %.1f MB\n",
      kLines, took.count(),
      (static_cast<double>(memory_after) - static_cast<double>(memory_before)) / 1048576);
  PostMessageW(viewer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(gui::wait_until([&] { return viewers().empty(); }));
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

// The fixture every end-to-end test of the window shares: the program started against the
// simulated clock in its starting state, and the operator's helpers (connect, groups and
// controls by caption and identifier, expected message boxes).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation_win32.h"
#include "simulator.h"

namespace gui_test {

using namespace std::chrono_literals;
using gui::enabled;
using gui::text_of;

// Identifiers of the program's windows and controls.
constexpr int kGroupBox = 0x3FFF;
constexpr int kIdentityField = 0x2FFF;
constexpr int kConnect = 0x1001;
constexpr int kFind = 0x1002;
constexpr int kSpeedWrite = 0x1003;
constexpr int kRead = 0x1004;
constexpr int kWrite = 0x1005;
constexpr int kDefaults = 0x1006;
constexpr int kFollowLog = 0x1007;
constexpr int kClearLog = 0x1008;
constexpr int kSaveLog = 0x1009;
constexpr int kPeriodicInfo = 0x100A;
constexpr int kRequestInfo = 0x100B;
constexpr int kSelfTest = 0x100C;
constexpr int kSpeedList = 0x2001;
constexpr int kTimeStampList = 0x2002;
constexpr int kSatelliteList = 0x2003;
constexpr int kUtcList = 0x2004;
constexpr int kHeatingList = 0x2005;
constexpr int kPpsSourceList = 0x2006;
constexpr int kPpsWidthField = 0x2007;
constexpr int kSatellitesField = 0x2102;
constexpr int kTemperatureField = 0x2103;
constexpr int kHeatingField = 0x2104;
constexpr int kSelfTestField = 0x2105;
constexpr int kStatusField = 0x2106;
constexpr int kLatitudeField = 0x2107;
constexpr int kLongitudeField = 0x2108;
constexpr int kAltitudeField = 0x2109;
constexpr int kPortScan = 0x1001;
constexpr int kPortOk = 0x1002;
constexpr int kPortList = 0x1003;
constexpr int kMenuPort = 40003;
constexpr wchar_t kMainClass[] = L"MAINWINDOW_CLASS_TK52CFG";
constexpr wchar_t kSettingsKey[] = L"Software\\Кех\\Конфигуратор радиочасов КЕХ ТК-52";

// What a model looks like on the configuration page once identified.
struct Model {
  std::string wire;    // as the clock sends it
  std::wstring shown;  // the identity field
  std::wstring software;
  int type;  // 1..4
};

inline Model model_under_test() {
  std::wstring name = gui::environment(L"TK52_SIM_MODEL");
  if (name.empty())
    name = L"TK-52.00";
  if (name == L"TK-52.01")
    return {"TK-52.01", L"ТК-52.01", L"V1.23", 2};
  if (name == L"TK-52.A")
    return {"TK-52.A", L"ТК-52.A", L"V2.345", 3};
  if (name == L"TK-53")
    return {"TK-53", L"ТК-53", L"V3.012", 4};
  return {"TK-52.00", L"ТК-52.00", L"V1.23", 1};
}

inline bool has_pps(int type) {
  return type == 3 || type == 4;
}

inline std::wstring trimmed(std::wstring text) {
  while (!text.empty() && text.back() == L' ')
    text.pop_back();
  return text;
}

inline std::wstring widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

inline std::string short_name(const std::wstring& path) {
  return gui::to_utf8(path);
}

// The program remembers this port and speed, as after an earlier session.
inline void write_settings(const std::wstring& port, DWORD speed_position) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, L"ComPort", 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                 static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, L"BaudRate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&speed_position),
                 sizeof speed_position);
  RegCloseKey(key);
}

inline std::string current_test_name() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  // The model test runs once for each model.
  if (name == "Connection.IdentifiesTheModel")
    name += "_" + model_under_test().wire;
  for (char& c : name) {
    if (c == '/')
      c = '_';
  }
  return name;
}

class Tk52Gui : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = gui::environment(L"TK52CFG_EXE");
    ASSERT_FALSE(exe_.empty()) << "TK52CFG_EXE names the program";
    ASSERT_NE(sim_, nullptr) << "the simulated clock is not set up (TK52_SIM_CONTROL)";
    // Back to the clock's starting state, whatever the previous test left.
    for (const char* reset : {"clear all", "baud 115200", "diag 5", "status A"}) {
      ASSERT_TRUE(sim_->run(reset)) << reset;
    }
    if (initial_config().empty()) {
      const auto config = sim_->state("config");
      ASSERT_TRUE(config.has_value());
      initial_config() = *config;
    } else {
      ASSERT_TRUE(sim_->run("config " + initial_config()));
    }
    port_ = widen(sim_->port());
    // The program remembers the clock's port at its speed, as after an earlier session.
    write_settings(port_, 6);
    start();
  }

  void TearDown() override {
    if (app_ == nullptr)
      return;
    if (app_->running()) {
      gui::screenshot(current_test_name());
      const auto stray = gui::dialogs(app_->process_id());
      EXPECT_TRUE(stray.empty()) << "a window was left open: " << short_name(text_of(stray.front()))
                                 << ": " << short_name(text_of(GetDlgItem(stray.front(), 0xFFFF)));
      for (HWND box : stray)
        PostMessageW(box, WM_CLOSE, 0, 0);
      const auto code = app_->close();
      EXPECT_TRUE(code.has_value()) << "the program did not end when its window was closed";
      if (code) {
        EXPECT_EQ(*code, 0u) << "exit code";
      }
    }
    app_.reset();
  }

  static std::string& initial_config() {
    static std::string config;
    return config;
  }

  void start() {
    app_ = std::make_unique<gui::Program>(exe_);
    ASSERT_TRUE(app_->start()) << "the main window did not show";
  }

  // Closes the program and checks that it ended cleanly.
  void close_program() {
    const auto code = app_->close();
    ASSERT_TRUE(code.has_value()) << "the program did not end when its window was closed";
    EXPECT_EQ(*code, 0u);
  }

  std::wstring journal_path() const { return gui::folder_of(exe_) + L"\\journal.txt"; }
  std::string journal() const { return gui::read_file(journal_path()).value_or(""); }

  HWND group(std::wstring_view caption, int child_id = 0) const {
    return gui::find_group(app_->main(), caption, child_id);
  }
  HWND speed_group() const { return group(L"Скорость передачи данных", kConnect); }
  HWND config_group() const { return group(L"Конфигурация", kRead); }
  HWND info_group() const { return group(L"Дополнительная информация", kRequestInfo); }
  HWND log_group() const { return group(L"Журнал", kClearLog); }
  HWND speed_control(int id) const { return gui::child(speed_group(), id); }
  HWND config_control(int id) const { return gui::child(config_group(), id); }
  HWND info_control(int id) const { return gui::child(info_group(), id); }
  std::vector<HWND> identity_fields() const {
    return gui::children_with_id(group(L"Радиочасы"), kIdentityField);
  }
  std::wstring connect_caption() const { return text_of(speed_control(kConnect)); }
  std::wstring speed_text() const { return text_of(speed_control(kSpeedList)); }

  // Connects with the port and speed chosen and waits until the clock's identity is shown.
  void connect() {
    ASSERT_EQ(connect_caption(), L"Соединить");
    ASSERT_TRUE(gui::click(speed_control(kConnect))) << "connect did not finish without a message";
    ASSERT_TRUE(gui::wait_until([&] {
      const auto fields = identity_fields();
      return connect_caption() == L"Разъединить" && fields.size() == 3 &&
             !text_of(fields[0]).empty();
    })) << "not connected: the button reads "
        << short_name(connect_caption());
  }

  void disconnect() {
    ASSERT_TRUE(gui::click(speed_control(kConnect)));
    ASSERT_TRUE(gui::wait_until([&] { return connect_caption() == L"Соединить"; }));
  }

  // Waits until the field shows text; the last text seen otherwise.
  ::testing::AssertionResult field_shows(HWND field, const std::wstring& text,
                                         std::chrono::milliseconds bound = gui::kBound) const {
    std::wstring seen;
    if (gui::wait_until([&] { return (seen = text_of(field)) == text; }, bound)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "shows \"" << short_name(seen) << "\", not \"" << short_name(text) << "\"";
  }

  ::testing::AssertionResult lists_show(const std::vector<std::wstring>& texts) const {
    const std::array<int, 6> ids = {kTimeStampList, kSatelliteList, kUtcList,
                                    kHeatingList,   kPpsSourceList, kPpsWidthField};
    std::wstring seen;
    const bool shown = gui::wait_until([&] {
      seen.clear();
      bool all = true;
      for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::wstring text = text_of(config_control(ids[i]));
        seen += text + L" | ";
        all = all && text == texts[i];
      }
      return all;
    });
    if (shown)
      return ::testing::AssertionSuccess();
    std::wstring wanted;
    for (const auto& t : texts)
      wanted += t + L" | ";
    return ::testing::AssertionFailure()
           << "the lists show " << short_name(seen) << " instead of " << short_name(wanted);
  }

  ::testing::AssertionResult journal_has(const std::wstring& text) const {
    const std::string wanted = gui::to_cp1251(text);
    if (gui::wait_until([&] { return journal().find(wanted) != std::string::npos; })) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "journal.txt lacks \"" << short_name(text) << "\"";
  }

  // Types `path` into an open or save dialog's file name box and presses its OK.
  static void enter_file_name(const gui::MessageBoxView& dialog, const std::wstring& path) {
    HWND name = GetDlgItem(dialog.window, 0x47C);
    if (name == nullptr)
      name = GetDlgItem(dialog.window, 0x480);
    ASSERT_NE(name, nullptr) << "no file name box in the dialog";
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                                  SMTO_NORMAL, 15000, &result),
              0);
    ASSERT_TRUE(gui::answer(dialog, IDOK));
  }

  // Expects one message box with this title and text, pictures it and presses a button.
  void expect_box(const std::wstring& title, const std::wstring& text, int button = IDOK,
                  const std::function<void()>& while_open = {}) {
    const auto box = gui::wait_message_box(app_->process_id());
    ASSERT_TRUE(box.has_value()) << "no message box \"" << short_name(title) << "\"";
    EXPECT_EQ(short_name(box->title), short_name(title));
    EXPECT_EQ(short_name(box->text), short_name(text));
    gui::screenshot(current_test_name() + "_box");
    if (while_open)
      while_open();
    ASSERT_TRUE(gui::answer(*box, button));
    ASSERT_TRUE(app_->settle());
  }

  std::wstring exe_;
  std::wstring port_;
  std::unique_ptr<tk52::test::Simulator> sim_ = tk52::test::Simulator::from_script();
  std::unique_ptr<gui::Program> app_;
};

}  // namespace gui_test

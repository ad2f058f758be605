// The about box, the help file and the start-up state of focus, driven on the real
// tk52cfg.exe. They need no clock: the program is only started and worked through its windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation_win32.h"
#include "tk52_version.h"

namespace {

using namespace std::chrono_literals;

constexpr int kMenuPort = 40003;
constexpr int kMenuAbout = 40004;
constexpr int kMenuHelp = 40005;
constexpr int kAboutClose = 1001;
constexpr int kAboutVersion = 1003;
constexpr int kSpeedList = 0x2001;
constexpr int kPortList = 0x1003;
constexpr int kPortOk = 0x1002;
constexpr wchar_t kHelpClass[] = L"HH Parent";
// The help file's own title, as its project file names it.
constexpr wchar_t kHelpTitle[] = L"Конфигуратор радиочасов КЕХ ТК-52. Справка";

// The file holds its title in Windows-1251, and HTML Help decodes it with the system's ANSI code
// page: the title itself on a Russian Windows, its bytes as another code page reads them
// elsewhere (Wine on a machine without a Russian locale).
std::wstring help_title_as_shown() {
  const std::wstring title = kHelpTitle;
  std::string bytes(title.size() * 2, '\0');
  bytes.resize(static_cast<std::size_t>(
      WideCharToMultiByte(1251, 0, title.data(), static_cast<int>(title.size()), bytes.data(),
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  std::wstring shown(bytes.size(), L'\0');
  shown.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), shown.data(),
                          static_cast<int>(shown.size()))));
  return shown;
}

std::string utf8(const std::wstring& text) {
  return gui::to_utf8(text);
}

// "Версия a.b.c.d" as the executable file's version resource states it.
std::wstring file_version_line(const std::wstring& exe) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  if (size == 0)
    return L"(no version resource)";
  std::vector<unsigned char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoW(exe.c_str(), 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr) {
    return L"(unreadable version resource)";
  }
  wchar_t line[64] = {};
  std::swprintf(line, 64, L"Версия %u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
  return line;
}

std::string test_name() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

class ShellWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = gui::environment(L"TK52CFG_EXE");
    ASSERT_FALSE(exe_.empty()) << "TK52CFG_EXE names the program";
    app_ = std::make_unique<gui::Program>(exe_);
    ASSERT_TRUE(app_->start()) << "the main window did not show";
  }

  void TearDown() override {
    if (app_ == nullptr || !app_->running())
      return;
    for (HWND help : help_windows())
      PostMessageW(help, WM_CLOSE, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return help_windows().empty(); }))
        << "the help window did not close";
    const auto stray = gui::dialogs(app_->process_id());
    EXPECT_TRUE(stray.empty()) << "a box was left open: " << utf8(gui::text_of(stray.front()));
    for (HWND box : stray)
      PostMessageW(box, WM_CLOSE, 0, 0);
    const auto code = app_->close();
    ASSERT_TRUE(code.has_value()) << "the program did not end when its window was closed";
    EXPECT_EQ(*code, 0u);
  }

  std::vector<HWND> help_windows() const {
    std::vector<HWND> shown;
    for (HWND w : gui::top_windows(app_->process_id(), kHelpClass)) {
      if (IsWindowVisible(w))
        shown.push_back(w);
    }
    return shown;
  }

  // The about box once it shows, or null.
  HWND open_about() const {
    if (!app_->menu_command(kMenuAbout))
      return nullptr;
    HWND box = nullptr;
    gui::wait_until([&] {
      for (HWND d : gui::dialogs(app_->process_id())) {
        if (gui::text_of(d) == L"О программе")
          box = d;
      }
      return box != nullptr;
    });
    return box;
  }

  ::testing::AssertionResult help_opens() const {
    std::vector<HWND> found;
    if (!gui::wait_until([&] { return !(found = help_windows()).empty(); }))
      return ::testing::AssertionFailure() << "no help window";
    const std::wstring title = gui::text_of(found.front());
    if (title != help_title_as_shown()) {
      return ::testing::AssertionFailure() << "the help window is titled \"" << utf8(title)
                                           << "\", not \"" << utf8(help_title_as_shown()) << "\"";
    }
    return ::testing::AssertionSuccess();
  }

  void close_help() const {
    for (HWND help : help_windows())
      PostMessageW(help, WM_CLOSE, 0, 0);
    ASSERT_TRUE(gui::wait_until([&] { return help_windows().empty(); }));
  }

  std::wstring exe_;
  std::unique_ptr<gui::Program> app_;
};

using About = ShellWindows;

TEST_F(About, ShowsTheProgramFileVersionAndThePicture) {
  HWND box = open_about();
  ASSERT_NE(box, nullptr) << "no about box";
  const std::wstring line = gui::text_of(GetDlgItem(box, kAboutVersion));
  EXPECT_EQ(utf8(line), utf8(file_version_line(exe_)));
  // The resource carries the project's version: one number for every program.
  EXPECT_EQ(utf8(line), "Версия " TK52_VERSION_TEXT ".0");
  EXPECT_NE(GetPropW(box, L"#P_ABOUTDLG_PICTURE"), nullptr) << "the picture is not loaded";
  EXPECT_FALSE(gui::enabled(app_->main())) << "the box is not modal";
  gui::screenshot(test_name());
  gui::post_click(GetDlgItem(box, kAboutClose));
  EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(box); })) << "the button did not close it";
  EXPECT_TRUE(gui::wait_until([&] { return gui::enabled(app_->main()); }));
}

TEST_F(About, ClosesByEveryWayOut) {
  struct Way {
    const char* legend;
    UINT message;
    WPARAM wparam;
  };
  const Way ways[] = {
      {"the close box (SC_CLOSE)", WM_SYSCOMMAND, SC_CLOSE},
      {"Esc", WM_COMMAND, IDCANCEL},
      {"the button", WM_COMMAND, kAboutClose},
  };
  for (const Way& way : ways) {
    HWND box = open_about();
    ASSERT_NE(box, nullptr) << way.legend << ": no about box";
    PostMessageW(box, way.message, way.wparam, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(box); })) << way.legend;
  }
  ASSERT_TRUE(app_->settle());
}

using Help = ShellWindows;

TEST_F(Help, F1AndTheMenuOpenTheHelpFile) {
  struct Way {
    const char* legend;
    std::function<void()> ask;
  };
  const std::vector<Way> ways = {
      {"F1 on the main window", [&] { PostMessageW(app_->main(), WM_KEYDOWN, VK_F1, 0); }},
      {"the menu item", [&] { app_->menu_command(kMenuHelp); }},
  };
  for (const Way& way : ways) {
    way.ask();
    EXPECT_TRUE(help_opens()) << way.legend;
    if (&way == &ways.front())
      gui::screenshot(test_name());
    close_help();
  }
}

TEST_F(Help, F1InThePortWindowOpensTheHelpFile) {
  ASSERT_TRUE(app_->menu_command(kMenuPort));
  HWND ports = nullptr;
  ASSERT_TRUE(gui::wait_until(
      [&] { return (ports = app_->port_window()) != nullptr && IsWindowVisible(ports); }));
  PostMessageW(gui::child(ports, kPortList), WM_KEYDOWN, VK_F1, 0);
  EXPECT_TRUE(help_opens());
  close_help();
  ASSERT_TRUE(gui::click(gui::child(ports, kPortOk)));
  EXPECT_TRUE(gui::wait_until([&] { return !IsWindowVisible(ports); }));
}

TEST_F(Help, F1FindsTheHelpFileFromAnyCurrentFolder) {
  // As from a shortcut whose working folder is not the program's.
  ASSERT_TRUE(app_->close().has_value());
  wchar_t windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  app_ = std::make_unique<gui::Program>(exe_, windows);
  ASSERT_TRUE(app_->start()) << "the main window did not show";
  PostMessageW(app_->main(), WM_KEYDOWN, VK_F1, 0);
  EXPECT_TRUE(help_opens());
  EXPECT_TRUE(gui::dialogs(app_->process_id()).empty()) << "HTML Help reported a missing file";
  close_help();
}

TEST_F(Help, F1InsideTheAboutBoxOpensNothing) {
  HWND box = open_about();
  ASSERT_NE(box, nullptr);
  HWND button = GetDlgItem(box, kAboutClose);
  PostMessageW(button, WM_KEYDOWN, VK_F1, 0);
  PostMessageW(button, WM_KEYUP, VK_F1, 0);
  // Posted after the key, so the box's own loop has taken the key once the box is gone; the
  // help would have opened while the key was handled.
  PostMessageW(box, WM_COMMAND, kAboutClose, 0);
  ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(box); }));
  ASSERT_TRUE(app_->settle());
  EXPECT_TRUE(help_windows().empty()) << "F1 in the about box opened the help";
}

using StartupState = ShellWindows;

TEST_F(StartupState, FocusStartsOnTheSpeedList) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  const DWORD id = GetWindowThreadProcessId(app_->main(), nullptr);
  ASSERT_TRUE(gui::wait_until([&] { return GetGUIThreadInfo(id, &thread) && thread.hwndFocus; }));
  EXPECT_EQ(GetDlgCtrlID(thread.hwndFocus), kSpeedList)
      << "the focus is on " << utf8(gui::class_of(thread.hwndFocus)) << " "
      << GetDlgCtrlID(thread.hwndFocus);
  EXPECT_EQ(utf8(gui::class_of(thread.hwndFocus)), "ComboBox");
}

}  // namespace

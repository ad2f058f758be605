// The scan and the port selection window on the real Windows API, run under Wine with a COM
// port mapped to a pseudo-terminal. TK52_TEST_PORT names that port (such as COM5); without it
// there may be no port map at all, whose scan failure would stop the window on a message box,
// so the tests skip.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32_text.h"
#include "ports/port_scan_win32.h"
#include "windows/port_window_ids.h"
#include "windows/port_window_win32.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using win32::widen;

std::string test_port() {
  const char* port = std::getenv("TK52_TEST_PORT");
  return port == nullptr ? std::string() : std::string(port);
}

// What the window should show: a scan of its own, and the port names and item texts from it.
struct Scan {
  std::vector<std::string> names;
  std::vector<std::wstring> items;
};

Scan scan_now() {
  PortList list;
  EXPECT_EQ(scan_com_ports(list), PortResult::ok);
  Scan scan;
  for (int i = 0; i < list.count(); ++i) {
    scan.names.push_back(list.get(i).entry->name);
    scan.items.push_back(widen(item_text(*list.get(i).entry)));
  }
  return scan;
}

int index_of(const std::vector<std::string>& names, const std::string& name) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name)
      return static_cast<int>(i);
  return -1;
}

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done())
      return true;
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
}

TEST(PortScanWin32, ListsTheMappedPort) {
  const std::string port = test_port();
  if (port.empty())
    GTEST_SKIP() << "TK52_TEST_PORT is not set";
  EXPECT_GE(index_of(scan_now().names, port), 0) << port;
}

class PortWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_port().empty())
      GTEST_SKIP() << "TK52_TEST_PORT is not set";
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 100, 100, 640, 480,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
  }

  void TearDown() override {
    if (owner_ != nullptr)
      DestroyWindow(owner_);  // takes the owned port window with it
  }

  PortWindow* create() {
    int error = -1;
    PortWindow* window = PortWindow::create(
        GetModuleHandleW(nullptr), owner_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
        [this] { return remembered_; }, error);
    EXPECT_EQ(error, 0);
    return window;
  }

  void show(PortWindow& window) {
    ShowWindow(owner_, SW_SHOW);
    window.show();
    ASSERT_TRUE(pump_until([&] { return IsWindowVisible(window.hwnd()) != FALSE; }));
  }

  HWND control(const PortWindow& window, int id) const { return GetDlgItem(window.hwnd(), id); }
  HWND list(const PortWindow& window) const { return control(window, port_window_ids::kPortList); }

  std::vector<std::wstring> items(const PortWindow& window) const {
    std::vector<std::wstring> out;
    const auto count = SendMessageW(list(window), CB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
      std::wstring text(static_cast<std::size_t>(SendMessageW(list(window), CB_GETLBTEXTLEN, i, 0)),
                        L'\0');
      SendMessageW(list(window), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      out.push_back(text);
    }
    return out;
  }

  int selection(const PortWindow& window) const {
    return static_cast<int>(SendMessageW(list(window), CB_GETCURSEL, 0, 0));
  }

  // An item no scan produces: its survival shows that the list was not filled again.
  void add_stray_item(const PortWindow& window) const {
    const auto index =
        SendMessageW(list(window), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"COM999"));
    SendMessageW(list(window), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }

  HWND owner_ = nullptr;
  std::string remembered_;
};

TEST_F(PortWindowTest, ListsTheScanAndPreselectsTheRememberedPort) {
  const Scan scan = scan_now();
  const int mapped = index_of(scan.names, test_port());
  ASSERT_GE(mapped, 0) << test_port();
  const struct {
    const char* legend;
    std::string remembered;
    int selected;
  } cases[] = {
      {"the remembered port", test_port(), mapped},
      {"a port that is gone", "COM250", 0},
      {"nothing remembered", "", 0},
      {"a name longer than the settings field", "COM2500", 0},
  };
  for (const auto& c : cases) {
    remembered_ = c.remembered;
    PortWindow* window = create();
    ASSERT_NE(window, nullptr) << c.legend;
    EXPECT_EQ(items(*window), scan.items) << c.legend;
    EXPECT_EQ(selection(*window), c.selected) << c.legend;
    ASSERT_TRUE(window->current_port().has_value()) << c.legend;
    EXPECT_EQ(window->current_port()->name, scan.names[static_cast<std::size_t>(c.selected)])
        << c.legend;
    DestroyWindow(window->hwnd());
  }
}

TEST_F(PortWindowTest, ChoosingAnItemMakesItTheCurrentPort) {
  const Scan scan = scan_now();
  PortWindow* window = create();
  ASSERT_NE(window, nullptr);
  show(*window);
  for (std::size_t i = 0; i < scan.names.size(); ++i) {
    SendMessageW(list(*window), CB_SETCURSEL, i, 0);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(port_window_ids::kPortList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list(*window)));
    ASSERT_TRUE(window->current_port().has_value()) << scan.names[i];
    EXPECT_EQ(window->current_port()->name, scan.names[i]);
  }
  SendMessageW(control(*window, port_window_ids::kOkButton), BM_CLICK, 0, 0);
  ASSERT_TRUE(pump_until([&] { return IsWindowVisible(window->hwnd()) == FALSE; }));
  ASSERT_TRUE(window->current_port().has_value()) << "lost on hiding";
  EXPECT_EQ(window->current_port()->name, scan.names.back());
}

TEST_F(PortWindowTest, FrameAndControls) {
  PortWindow* window = create();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindWindowW(PortWindow::kClassName, L"Выберите порт для подключения"), window->hwnd());
  EXPECT_EQ(GetWindow(window->hwnd(), GW_OWNER), owner_);
  EXPECT_FALSE(IsWindowVisible(window->hwnd()));
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window->hwnd(), GWL_STYLE));
  EXPECT_EQ(style & WS_SYSMENU, 0u) << "a close box";
  const struct {
    int id;
    const wchar_t* caption;
  } buttons[] = {{port_window_ids::kScanButton, L"Сканировать"},
                 {port_window_ids::kOkButton, L"ОК"}};
  for (const auto& button : buttons) {
    wchar_t text[32] = {};
    GetWindowTextW(control(*window, button.id), text, 32);
    EXPECT_STREQ(text, button.caption);
  }

  // The client area closes round the controls with the same 8-pixel margin on every side.
  RECT client{};
  GetClientRect(window->hwnd(), &client);
  const auto place = [&](int id) {
    RECT r{};
    GetWindowRect(control(*window, id), &r);
    MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const RECT combo = place(port_window_ids::kPortList);
  const RECT scan = place(port_window_ids::kScanButton);
  const RECT ok = place(port_window_ids::kOkButton);
  EXPECT_EQ(combo.left, 8);
  EXPECT_EQ(combo.top, 8);
  EXPECT_EQ(combo.right, client.right - 8);
  EXPECT_EQ(scan.left, 8);
  EXPECT_EQ(scan.top, combo.bottom + 8);
  EXPECT_EQ(ok.top, scan.top);
  EXPECT_EQ(ok.right, client.right - 8);
  EXPECT_EQ(ok.bottom, client.bottom - 8);
  EXPECT_EQ(ok.right - ok.left, scan.right - scan.left);

  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window->hwnd())) << "WM_CLOSE destroyed the window";
}

TEST_F(PortWindowTest, ShowCentresDisablesTheOwnerAndFocusesTheList) {
  PortWindow* window = create();
  ASSERT_NE(window, nullptr);
  show(*window);
  RECT owner{};
  RECT own{};
  GetWindowRect(owner_, &owner);
  GetWindowRect(window->hwnd(), &own);
  EXPECT_EQ(own.left, owner.left + (owner.right - owner.left) / 2 - (own.right - own.left) / 2);
  EXPECT_EQ(own.top, owner.top + (owner.bottom - owner.top) / 2 - (own.bottom - own.top) / 2);
  EXPECT_FALSE(IsWindowEnabled(owner_));
  EXPECT_EQ(GetFocus(), list(*window));
  RECT combo{};
  GetWindowRect(list(*window), &combo);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, combo.right - 8);
  EXPECT_EQ(cursor.y, combo.top + 8);

  SendMessageW(control(*window, port_window_ids::kOkButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(pump_until([&] { return IsWindowVisible(window->hwnd()) == FALSE; }));
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

// A real key press, routed by the system to the focused control.
TEST_F(PortWindowTest, EnterOnAnyControlClosesWithoutRescanning) {
  PortWindow* window = create();
  ASSERT_NE(window, nullptr);
  for (int id :
       {port_window_ids::kPortList, port_window_ids::kScanButton, port_window_ids::kOkButton}) {
    show(*window);
    add_stray_item(*window);
    const std::vector<std::wstring> before = items(*window);
    SetFocus(control(*window, id));
    ASSERT_EQ(GetFocus(), control(*window, id)) << id;
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_RETURN;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u) << id;
    EXPECT_TRUE(pump_until([&] { return IsWindowVisible(window->hwnd()) == FALSE; })) << id;
    EXPECT_TRUE(IsWindowEnabled(owner_)) << id;
    EXPECT_EQ(items(*window), before) << id;
  }
}

TEST_F(PortWindowTest, ScanFillsTheListAgain) {
  remembered_ = test_port();
  PortWindow* window = create();
  ASSERT_NE(window, nullptr);
  const std::vector<std::wstring> scanned = items(*window);
  const int remembered = selection(*window);
  show(*window);
  add_stray_item(*window);
  SendMessageW(control(*window, port_window_ids::kScanButton), BM_CLICK, 0, 0);
  EXPECT_EQ(items(*window), scanned);
  EXPECT_EQ(selection(*window), remembered);
  ASSERT_TRUE(window->current_port().has_value());
  EXPECT_EQ(window->current_port()->name, test_port());
  EXPECT_TRUE(IsWindowVisible(window->hwnd())) << "a click on the scan button closed the window";
}

}  // namespace
}  // namespace tk52

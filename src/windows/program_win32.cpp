// The Windows program: start-up in its fixed order, the main window with its menu, tab control
// and status bar, the message loop, and the glue that lets the configurator's operations reach
// the screen (ShellView, UiPoster) and the traffic log reach its view.
#include <windows.h>  // first: the other Windows headers need its types

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "../../resources/resource_ids.h"
#include "app/configurator.h"
#include "app/operation_codes.h"
#include "pages/configuration/configuration_operations.h"
#include "pages/connection/connection_operations.h"
#include "pages/journals/journal_reader.h"
#include "pages/monitoring/monitoring_operations.h"
#include "pages/sync/clock_setter.h"
#include "pages/sync/local_time.h"
#include "pages/sync/time_sync.h"
#include "platform/win32_text.h"
#include "windows/about_box_win32.h"
#include "windows/configuration_page_win32.h"
#include "windows/control_ids.h"
#include "windows/exit_codes.h"
#include "windows/help_win32.h"
#include "windows/journals_page_win32.h"
#include "windows/keyboard_navigation_win32.h"
#include "windows/log_view_win32.h"
#include "windows/monitoring_page_win32.h"
#include "windows/port_window_win32.h"
#include "windows/profile_files_win32.h"
#include "windows/reply_messages_win32.h"
#include "windows/settings_registry_win32.h"
#include "windows/sync_page_win32.h"
#include "windows/thread_timers_win32.h"
#include "windows/ui_win32.h"
#include "windows/viewer_window_win32.h"

namespace tk52::win32 {
namespace {

// WM_DPICHANGED, which older headers leave out.
constexpr UINT kDpiChanged = 0x02E0;

constexpr wchar_t kMainClass[] = L"MAINWINDOW_CLASS_TK52CFG";
constexpr wchar_t kMutexName[] = L"TK-52_CFG_APP_MUTEX";
constexpr wchar_t kTitle[] = L"Конфигуратор радиочасов КЕХ ТК-52";

std::filesystem::path beside_executable(const wchar_t* file_name) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(path).replace_filename(file_name);
}

// The journal reader's messages: its warning that a pass ended short is task-modal and topmost
// with no owner, so that it shows whichever window is in front.
class JournalsShell final : public ShellView {
 public:
  explicit JournalsShell(ShellView& shell) : shell_(shell) {}
  void set_status(std::string_view text, bool synchronous) override {
    shell_.set_status(text, synchronous);
  }
  void set_connection_text(std::string_view text) override { shell_.set_connection_text(text); }
  void show_message(std::string_view title, std::string_view text, MessageIcon icon) override {
    MessageBoxW(nullptr, widen(text).c_str(), widen(title).c_str(),
                MB_OK | icon_flags(icon) | MB_TASKMODAL | MB_TOPMOST);
  }
  void enable_port_command(bool enabled) override { shell_.enable_port_command(enabled); }

 private:
  ShellView& shell_;
};

class Program final : public ShellView,
                      public UiPoster,
                      public LogLineSink,
                      public ConnectedStateListener {
 public:
  int run(HINSTANCE instance);

  // ShellView
  void set_status(std::string_view text, bool synchronous) override;
  void set_connection_text(std::string_view text) override;
  void show_message(std::string_view title, std::string_view text, MessageIcon icon) override;
  void enable_port_command(bool enabled) override;
  // UiPoster: from the reader thread, posted only.
  bool post_reply(const ReplyNotification&) override;
  void counters_changed() override;
  // LogLineSink: from any thread, posted to the traffic log view.
  void append_line(std::string line) override;
  // ConnectedStateListener: the journals tab comes and goes with the model.
  void on_connected_changed(bool) override {}
  void on_model_identified(DeviceModelType model) override;

 private:
  static LRESULT CALLBACK main_procedure(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK tab_procedure(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT on_main(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  int create_main_window();
  int create_tabs();
  void set_status_parts();
  int create_pages();
  void register_sync_operations();
  void shut_down();
  void dispatch(int code, HWND control);
  void on_menu(int id);
  void show_page(int index, bool visible);
  void draw_status_part(const DRAWITEMSTRUCT& item);
  void choose_port_from_window();
  int message_loop();

  HWND main_ = nullptr;
  HWND status_ = nullptr;
  HWND tab_ = nullptr;
  std::array<HWND, 4> pages_{};
  ConfigurationPage configuration_;
  MonitoringPage monitoring_;
  SyncPage sync_page_;
  JournalsPage journals_page_;
  RegistrySettings settings_;
  Settings remembered_;
  PortWindow* port_window_ = nullptr;
  std::unique_ptr<Configurator> configurator_;
  std::unique_ptr<ConnectionOperations> connection_;
  std::unique_ptr<ConfigurationOperations> configuration_operations_;
  std::unique_ptr<MonitoringOperations> monitoring_operations_;
  SystemTimeZone time_zone_;
  SystemClockSetter clock_setter_;
  std::unique_ptr<TimeSync> time_sync_;
  JournalsShell journals_shell_{*this};
  ThreadTimers journal_timers_{[this](int id) {
    if (journal_reader_)
      journal_reader_->on_timer(id);
  }};
  std::unique_ptr<JournalReader> journal_reader_;
  Dispatcher dispatcher_;
  std::wstring connection_text_ = L"Нет соединения";
  std::wstring status_text_;
};

Program* g_program = nullptr;

void Program::set_status(std::string_view text, bool synchronous) {
  if (synchronous) {
    status_text_ = widen(text);
    SendMessageW(status_, SB_SETTEXTW, 2,
                 text.empty() ? 0 : reinterpret_cast<LPARAM>(status_text_.c_str()));
    return;
  }
  // A posted text must outlive the call: keep one wide copy of each text for the program's
  // life (there are eight). Posts come from other threads too.
  static std::mutex mutex;
  static std::map<std::string, std::wstring, std::less<>> posted;
  const wchar_t* wide = nullptr;
  {
    std::lock_guard lock(mutex);
    auto found = posted.find(text);
    if (found == posted.end())
      found = posted.emplace(std::string(text), widen(text)).first;
    wide = found->second.c_str();
  }
  PostMessageW(status_, SB_SETTEXTW, 2, text.empty() ? 0 : reinterpret_cast<LPARAM>(wide));
}

void Program::set_connection_text(std::string_view text) {
  connection_text_ = widen(text);
  SendMessageW(status_, SB_SETTEXTW, SBT_OWNERDRAW /* part 0 */,
               reinterpret_cast<LPARAM>(connection_text_.c_str()));
}

void Program::show_message(std::string_view title, std::string_view text, MessageIcon icon) {
  MessageBoxW(main_, widen(text).c_str(), widen(title).c_str(), MB_OK | icon_flags(icon));
}

void Program::enable_port_command(bool enabled) {
  const UINT state = enabled ? MF_ENABLED : MF_GRAYED | MF_DISABLED;
  EnableMenuItem(GetMenu(main_), IDM_PORT, MF_BYCOMMAND | state);
  DrawMenuBar(main_);
}

bool Program::post_reply(const ReplyNotification& notification) {
  return PostMessageW(tab_, reply_message(notification.kind), notification.form,
                      notification.number) != FALSE;
}

void Program::counters_changed() {
  PostMessageW(status_, SB_SETTEXTW, SBT_OWNERDRAW | 1, 0);
}

void Program::append_line(std::string line) {
  // Nothing is logged before the traffic log's view exists; should it be, it has nowhere to go.
  if (HWND view = monitoring_.log_view())
    post_line(view, std::move(line));
}

void Program::on_model_identified(DeviceModelType model) {
  const bool journals = model == DeviceModelType::kTk52A || model == DeviceModelType::kTk53;
  const int tabs = TabCtrl_GetItemCount(tab_);
  if (journals) {
    if (tabs < 4) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(L"Журналы событий");
      TabCtrl_InsertItem(tab_, 3, &item);
    }
    return;
  }
  if (tabs < 4)
    return;
  // The journals page may be the one shown: the configuration page takes its place.
  show_page(TabCtrl_GetCurSel(tab_), false);
  TabCtrl_DeleteItem(tab_, 3);
  TabCtrl_SetCurSel(tab_, 0);
  show_page(0, true);
}

LRESULT CALLBACK Program::main_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_program != nullptr)
    return g_program->on_main(window, message, wparam, lparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK Program::tab_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR data) {
  auto* program = reinterpret_cast<Program*>(data);
  if (const auto notification = reply_from_message(message, wparam, lparam)) {
    if (program->configurator_)
      program->configurator_->handle_notification(*notification);
    return 0;
  }
  if (message == WM_NCDESTROY)
    RemoveWindowSubclass(window, tab_procedure, 3);
  return DefSubclassProc(window, message, wparam, lparam);
}

void Program::draw_status_part(const DRAWITEMSTRUCT& item) {
  SetBkMode(item.hDC, TRANSPARENT);
  // The bar is painted in the face colour of the scheme: its text colour goes with it.
  SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
  RECT place = item.rcItem;
  std::wstring text;
  if (item.itemID == 0) {
    text = connection_text_;
  } else if (item.itemID == 1 && configurator_) {
    const SentenceCounters counts = configurator_->protocol().counters();
    text = L"Хор.: " + std::to_wstring(counts.good) + L"     Плох.: " + std::to_wstring(counts.bad);
  }
  DrawTextW(item.hDC, text.c_str(), -1, &place, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

LRESULT Program::on_main(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (status_ != nullptr)
        MoveWindow(status_, 0, 0, 0, 0, TRUE);
      return 0;
    case kDpiChanged: {
      // Moved to a monitor of another scale: every control and font follows, and the window
      // takes the place the system suggests for the new scale.
      change_dpi(window, LOWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      if (status_ != nullptr) {
        MoveWindow(status_, 0, 0, 0, 0, TRUE);
        set_status_parts();
      }
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) == 0 && LOWORD(wparam) >= IDM_LOAD_LOG &&
          LOWORD(wparam) <= IDM_LOAD_CONFIG) {
        on_menu(LOWORD(wparam));
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == tab_) {
        const int current = TabCtrl_GetCurSel(tab_);
        // Only a page change puts the focus on the tab control: the control also notifies
        // every key it sees (TCN_KEYDOWN), Tab included, which must leave the focus where the
        // keyboard navigation put it.
        if (header->code == TCN_SELCHANGING || header->code == TCN_SELCHANGE) {
          show_page(current, header->code == TCN_SELCHANGE);
          SetFocus(tab_);
        }
      }
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item->hwndItem == status_)
        draw_status_part(*item);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if (wparam == SC_CLOSE) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (configurator_)
        configurator_->port().close();
      PostQuitMessage(0);
      return 1;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Program::show_page(int index, bool visible) {
  if (index < 0 || index >= static_cast<int>(pages_.size()) ||
      pages_[static_cast<std::size_t>(index)] == nullptr)
    return;
  ShowWindow(pages_[static_cast<std::size_t>(index)], visible ? SW_SHOW : SW_HIDE);
}

void Program::dispatch(int code, HWND) {
  switch (static_cast<OperationCode>(code)) {
    case OperationCode::kFollowLog:
      return monitoring_.toggle_follow();
    case OperationCode::kClearLog:
      return monitoring_.clear_log();
    case OperationCode::kSaveLog:
      return monitoring_.save_log();
    case OperationCode::kSaveJournal:
      return journals_page_.save(journal_reader_ ? journal_reader_->records()
                                                 : std::vector<JournalEntry>{});
    case OperationCode::kConnect:
    case OperationCode::kFindDevice:
      // The port chosen in the port window is the one these open.
      choose_port_from_window();
      break;
    default:
      break;
  }
  configurator_->dispatch(static_cast<OperationCode>(code));
}

void Program::choose_port_from_window() {
  if (const auto port = port_window_->current_port()) {
    configurator_->select_port({.name = port->name});
  } else {
    configurator_->select_port({});
  }
}

void Program::on_menu(int id) {
  switch (id) {
    case IDM_LOAD_LOG:
      return load_log(main_);
    case IDM_SAVE_LOG:
      return monitoring_.save_log();
    case IDM_SAVE_CONFIG:
      return save_configuration_profile(main_, *configuration_operations_);
    case IDM_LOAD_CONFIG:
      return load_configuration_profile(main_, *configuration_operations_);
    case IDM_PORT:
      return port_window_->show();
    case IDM_ABOUT:
      return show_about_box(ui().instance, main_);
    case IDM_HELP:
      return show_help(main_);
    default:
      // Every item has its action above.
      return;
  }
}

int Program::create_main_window() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = main_procedure;
  wc.hInstance = ui().instance;
  wc.hIcon = LoadIconW(ui().instance, MAKEINTRESOURCEW(IDI_PROGRAM));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  if (RegisterClassExW(&wc) == 0)
    return exit_code::kClass;
  main_ =
      CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, kMainClass, kTitle,
                      WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
                      CW_USEDEFAULT, px(640), px(480), nullptr,
                      LoadMenuW(ui().instance, MAKEINTRESOURCEW(IDM_MAIN)), ui().instance, nullptr);
  if (main_ == nullptr)
    return exit_code::kWindow;
  ui().main_window = main_;
  SendMessageW(main_, WM_SETFONT, reinterpret_cast<WPARAM>(ui().font), FALSE);
  status_ = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", main_, ids::kStatusBar);
  if (status_ == nullptr)
    return exit_code::kWindow;
  SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(ui().font), FALSE);
  set_status_parts();
  for (WPARAM part = 0; part < 3; ++part)
    SendMessageW(status_, SB_SETTEXTW, SBT_OWNERDRAW | part, 0);
  return 0;
}

void Program::set_status_parts() {
  RECT bar{};
  GetClientRect(status_, &bar);
  const int part0 = text_size(L"Соединение: СOM256, 115200, 8N1").cx + px(16);
  const int part1 = part0 + text_size(L"Хор.: 00000000   Плох.: 00000000").cx + px(16);
  int edges[3] = {part0, part1, part1 + bar.right + px(16)};
  SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

int Program::create_tabs() {
  RECT client{}, bar{};
  GetClientRect(main_, &client);
  GetWindowRect(status_, &bar);
  const int width = client.right - px(15);
  const int height = client.bottom - (bar.bottom - bar.top) - px(15);
  tab_ = make_control(WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP,
                      rect_at(px(8), px(8), width, height), main_, ids::kTabControl,
                      WS_EX_CONTROLPARENT);
  if (tab_ == nullptr)
    return exit_code::kWindow;
  SetWindowSubclass(tab_, tab_procedure, 3, reinterpret_cast<DWORD_PTR>(this));
  const std::array<const wchar_t*, 4> names = {L"Конфигурация", L"Контроль", L"Синхронизация",
                                               L"Журналы событий"};
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(names[static_cast<std::size_t>(i)]);
    if (TabCtrl_InsertItem(tab_, i, &item) < 0)
      return exit_code::kTabs;
  }
  return 0;
}

int Program::create_pages() {
  RECT area{};
  GetClientRect(tab_, &area);
  TabCtrl_AdjustRect(tab_, FALSE, &area);
  dispatcher_ = [this](int code, HWND control) { dispatch(code, control); };
  if (const int code =
          monitoring_.create(tab_, area, &dispatcher_, beside_executable(L"journal.txt"));
      code != 0) {
    return code;
  }
  if (!configuration_.create(tab_, area, &dispatcher_, remembered_.speed_position))
    return exit_code::kWindow;
  if (!sync_page_.create(tab_, area, &dispatcher_, status_))
    return exit_code::kWindow;
  sync_page_.attach(*time_sync_);
  JournalRecordTable& records = configurator_->protocol().journal_table();
  if (const int code =
          journals_page_.create(tab_, area, &dispatcher_, beside_executable(L"event_journal.txt"),
                                [&records] { records.reset(); });
      code != 0) {
    return code;
  }
  pages_ = {configuration_.window(), monitoring_.window(), sync_page_.window(),
            journals_page_.window()};
  show_page(0, true);
  return 0;
}

void Program::register_sync_operations() {
  for (OperationCode code : {OperationCode::kSynchroniseNow, OperationCode::kAutoSync,
                             OperationCode::kSyncPeriodic, OperationCode::kSyncThreshold}) {
    configurator_->add_operation(code, [this, code] { time_sync_->dispatch(code); });
  }
}

int Program::message_loop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0)
      return static_cast<int>(message.wParam);
    if (got == -1)
      return exit_code::kLoop;
    if (message.message == WM_MOUSEWHEEL) {
      // The cursor's coordinates are signed: a monitor left of or above the primary one has
      // negative ones.
      const POINT at = {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
      HWND under = WindowFromPoint(at);
      // Over a setting field the wheel stays with the focus (the field's spin control).
      if (under != nullptr && under != message.hwnd && !sync_page_.is_setting_field(under) &&
          GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
        PostMessageW(under, message.message, message.wParam, message.lParam);
        continue;
      }
    }
    // Only this loop sees F1: modal boxes run loops of their own and keep the key.
    if (message.message == WM_KEYDOWN && message.wParam == VK_F1)
      show_help(main_);
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB)
      on_tab_key(tab_);
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int Program::run(HINSTANCE instance) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
  if (mutex == nullptr) {
    message_box(nullptr, {.id = MessageId::kNoSystemResources}, MB_OK);
    return static_cast<int>(GetLastError());
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    const int code = static_cast<int>(GetLastError());
    if (HWND first = FindWindowW(kMainClass, nullptr)) {
      ShowWindow(first, SW_RESTORE);
      SetForegroundWindow(first);
    }
    return code;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (!init_ui(instance))
    return exit_code::kWindow;
  // The protocol, the port and the traffic log. Nothing is logged before the pages exist.
  configurator_ = std::make_unique<Configurator>(*this, *this, *this, settings_);
  // The time-sentence watchdog runs from here on; the page it reports to has no windows yet,
  // and until it does the watchdog's reports change nothing on the screen.
  try {
    time_sync_ = std::make_unique<TimeSync>(
        TimeSyncParts{sync_page_, configurator_->protocol().time_valid(),
                      configurator_->traffic_log(), configurator_->clock(), time_zone_,
                      clock_setter_, std::make_unique<ThreadPeriodTimerWin32>()});
  } catch (const std::system_error&) {
    return exit_code::kWatchdog;
  }
  configurator_->set_time_listener(time_sync_.get());
  remembered_ = read_settings();

  if (const int code = create_main_window(); code != 0)
    return code;
  int port_error = 0;
  // The window belongs to itself once made, and goes with its owner.
  port_window_ = PortWindow::create(
      instance, main_, ui().font, [] { return read_settings().port_name; }, port_error);
  if (port_window_ == nullptr)
    return port_error != 0 ? port_error : exit_code::kProtocol;
  if (const int code = create_tabs(); code != 0)
    return code;
  connection_ = std::make_unique<ConnectionOperations>(*configurator_, configuration_);
  configuration_operations_ =
      std::make_unique<ConfigurationOperations>(*configurator_, configuration_);
  monitoring_operations_ = std::make_unique<MonitoringOperations>(*configurator_, monitoring_);
  if (const int code = create_pages(); code != 0)
    return code;
  journal_reader_ = std::make_unique<JournalReader>(*configurator_, journals_page_, journals_shell_,
                                                    journal_timers_);
  register_sync_operations();
  // Told last of the connected state, after every other page.
  configurator_->add_listener(*time_sync_);
  configurator_->add_listener(*this);
  if (!set_up_navigation(tab_,
                         {configuration_.tab_order(), monitoring_.tab_order(),
                          sync_page_.tab_order(), journals_page_.tab_order()},
                         port_window_->tab_ring())) {
    return exit_code::kTabs;
  }

  for (HWND window : {main_, port_window_->hwnd()})
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  configurator_->set_connected(false);
  ShowWindow(main_, SW_SHOWDEFAULT);
  UpdateWindow(main_);
  // After showing: activating the window would otherwise take the focus back to itself.
  SetFocus(configuration_.speed_list());
  const int code = message_loop();
  shut_down();
  return code;
}

void Program::shut_down() {
  // The main window's end closed the port, so the reader thread no longer reports times. The
  // pages' operations go before the configurator: the watchdog, the period timer and the
  // periodic poll stop, and their threads are joined, while everything they use exists.
  journal_reader_.reset();
  if (configurator_)
    configurator_->set_time_listener(nullptr);
  time_sync_.reset();
  monitoring_operations_.reset();
  configuration_operations_.reset();
  connection_.reset();
  configurator_.reset();
}

}  // namespace
}  // namespace tk52::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  tk52::win32::Program program;
  tk52::win32::g_program = &program;
  const int code = program.run(instance);
  tk52::win32::g_program = nullptr;
  return code;
}

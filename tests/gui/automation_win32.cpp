#include "automation_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace gui {
namespace {

constexpr wchar_t kMainClass[] = L"MAINWINDOW_CLASS_TK52CFG";
constexpr wchar_t kPortClass[] = L"PORTWINDOW_CLASS_TK52CFG";
constexpr int kTabControlId = 0x2201;
// A sent message may wait behind an operation that blocks the program for seconds (the
// search for the device's speed tries every speed).
constexpr UINT kSendBound = 30000;

std::optional<LRESULT> send(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            UINT bound = kSendBound) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, bound, &result) == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

std::string encode(UINT code_page, std::wstring_view text) {
  if (text.empty())
    return {};
  const int wide = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(code_page, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), wide, out.data(), size, nullptr, nullptr);
  return out;
}

DWORD process_of(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// Memory inside another process, for messages whose pointers the system does not carry over.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size) : process_(process), size_(size) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr)
      VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* address() const { return address_; }
  std::size_t size() const { return size_; }

 private:
  HANDLE process_;
  std::size_t size_;
  void* address_ = nullptr;
};

// A NUL-terminated wide text at an address of another process.
std::optional<std::wstring> remote_text(HANDLE process, const void* address) {
  if (address == nullptr)
    return std::nullopt;
  std::wstring text;
  const auto* at = static_cast<const wchar_t*>(address);
  for (std::size_t i = 0; i < 1024; ++i) {
    wchar_t c = 0;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, at + i, &c, sizeof c, &got) || got != sizeof c)
      return std::nullopt;
    if (c == L'\0')
      return text;
    text.push_back(c);
  }
  return std::nullopt;
}

bool has_pending_paint(DWORD process) {
  for (HWND top : top_windows(process)) {
    if (!IsWindowVisible(top))
      continue;
    std::vector<HWND> all{top};
    descendants(top, all);
    for (HWND w : all) {
      if (IsWindowVisible(w) && GetUpdateRect(w, nullptr, FALSE))
        return true;
    }
  }
  return false;
}

void put16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, unsigned value) {
  put16(out, value & 0xFFFF);
  put16(out, (value >> 16) & 0xFFFF);
}

}  // namespace

void descendants(HWND parent, std::vector<HWND>& out) {
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    if (condition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return condition();
    std::this_thread::sleep_for(kPoll);
  }
}

std::wstring environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0)
    return {};
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length);
  return value;
}

std::string to_cp1251(std::wstring_view text) {
  return encode(1251, text);
}
std::string to_utf8(std::wstring_view text) {
  return encode(CP_UTF8, text);
}

std::wstring text_of(HWND window) {
  const auto length = send(window, WM_GETTEXTLENGTH, 0, 0);
  if (!length || *length < 0)
    return {};
  std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
  const auto copied = send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  if (!copied || *copied < 0)
    return {};
  text.resize(static_cast<std::size_t>(*copied));
  return text;
}

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(std::max(length, 0)));
}

bool enabled(HWND window) {
  return window != nullptr && IsWindowEnabled(window) != FALSE;
}

int combo_count(HWND combo) {
  const auto count = send(combo, CB_GETCOUNT, 0, 0);
  return count ? static_cast<int>(*count) : -1;
}

std::wstring combo_item(HWND combo, int index) {
  const auto length = send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (!length || *length < 0)
    return {};
  std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
  const auto copied =
      send(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  if (!copied || *copied < 0)
    return {};
  text.resize(static_cast<std::size_t>(*copied));
  return text;
}

std::vector<std::wstring> combo_items(HWND combo) {
  std::vector<std::wstring> items;
  const int count = combo_count(combo);
  for (int i = 0; i < count; ++i)
    items.push_back(combo_item(combo, i));
  return items;
}

int combo_selection(HWND combo) {
  const auto selected = send(combo, CB_GETCURSEL, 0, 0);
  return selected ? static_cast<int>(*selected) : -1;
}

bool combo_select(HWND combo, int index) {
  if (!enabled(combo))
    return false;
  if (!send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0))
    return false;
  const auto id = static_cast<WORD>(GetDlgCtrlID(combo));
  if (!send(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
            reinterpret_cast<LPARAM>(combo))) {
    return false;
  }
  return combo_selection(combo) == index;
}

bool combo_select_text(HWND combo, std::wstring_view text) {
  const std::vector<std::wstring> items = combo_items(combo);
  const auto found = std::find(items.begin(), items.end(), text);
  if (found == items.end())
    return false;
  return combo_select(combo, static_cast<int>(found - items.begin()));
}

namespace {

// A click sent from a thread of its own, so that the driver can watch for message boxes while
// the program handles it.
struct PendingClick {
  HWND button;
  LONG state;  // 0 running, 1 handled, 2 not delivered
};

DWORD WINAPI send_click(void* data) {
  auto* click = static_cast<PendingClick*>(data);
  DWORD_PTR result = 0;
  const bool sent =
      SendMessageTimeoutW(click->button, BM_CLICK, 0, 0, SMTO_NORMAL, 2 * kSendBound, &result) != 0;
  InterlockedExchange(&click->state, sent ? 1 : 2);
  return 0;
}

struct ClickThread {
  HANDLE thread;
  PendingClick* click;
};

// Clicks still waiting for the program when their caller moved on (a message box opened).
std::vector<ClickThread>& unfinished_clicks() {
  static std::vector<ClickThread> clicks;
  return clicks;
}

bool finish(const ClickThread& click, DWORD bound) {
  if (WaitForSingleObject(click.thread, bound) != WAIT_OBJECT_0)
    return false;
  CloseHandle(click.thread);
  delete click.click;
  return true;
}

}  // namespace

bool click(HWND button) {
  // An operator cannot press a greyed button.
  if (!enabled(button))
    return false;
  const DWORD process = process_of(button);
  // The send returns once the click has been handled, which for an operation is when it has
  // run to its end. A message box that opens meanwhile ends the wait: the caller looks at it.
  auto* pending = new PendingClick{button, 0};
  HANDLE thread = CreateThread(nullptr, 0, send_click, pending, 0, nullptr);
  if (thread == nullptr) {
    delete pending;
    return false;
  }
  const auto state = [&] { return InterlockedCompareExchange(&pending->state, 0, 0); };
  wait_until([&] { return state() != 0 || !dialogs(process).empty(); }, 2 * kBound);
  const bool handled = state() == 1;
  const ClickThread started{thread, pending};
  if (!finish(started, handled ? INFINITE : 0))
    unfinished_clicks().push_back(started);
  return handled;
}

void finish_clicks() {
  auto& clicks = unfinished_clicks();
  std::erase_if(clicks, [](const ClickThread& c) { return finish(c, 2 * kSendBound); });
}

void post_click(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
}

std::vector<HWND> children_with_id(HWND parent, int id) {
  std::vector<HWND> found;
  for (HWND w = GetWindow(parent, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(w) == id)
      found.push_back(w);
  }
  std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
    RECT ra{}, rb{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return found;
}

HWND find_group(HWND root, std::wstring_view caption, int child_id) {
  std::vector<HWND> all;
  descendants(root, all);
  for (HWND w : all) {
    if (class_of(w) != L"Button")
      continue;
    if ((GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX)
      continue;
    if (child_id != 0 && GetDlgItem(w, child_id) == nullptr)
      continue;
    if (text_of(w) == caption)
      return w;
  }
  return nullptr;
}

HWND child(HWND parent, int id) {
  return parent != nullptr ? GetDlgItem(parent, id) : nullptr;
}

std::vector<HWND> top_windows(DWORD process, std::wstring_view class_name) {
  struct Search {
    DWORD process;
    std::wstring_view class_name;
    std::vector<HWND> found;
  } search{process, class_name, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (process_of(window) != s->process)
          return TRUE;
        if (!s->class_name.empty() && class_of(window) != s->class_name)
          return TRUE;
        s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> dialogs(DWORD process) {
  std::vector<HWND> shown;
  for (HWND w : top_windows(process, L"#32770")) {
    if (IsWindowVisible(w))
      shown.push_back(w);
  }
  return shown;
}

std::optional<MessageBoxView> wait_message_box(DWORD process, std::chrono::milliseconds bound) {
  HWND box = nullptr;
  if (!wait_until(
          [&] {
            const auto found = dialogs(process);
            box = found.empty() ? nullptr : found.front();
            return box != nullptr;
          },
          bound)) {
    return std::nullopt;
  }
  MessageBoxView view;
  view.window = box;
  view.title = text_of(box);
  view.text = text_of(GetDlgItem(box, 0xFFFF));
  return view;
}

bool answer(const MessageBoxView& box, int button) {
  HWND control = GetDlgItem(box.window, button);
  if (control == nullptr)
    return false;
  post_click(control);
  return wait_until([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

Program::~Program() {
  if (running() && !close())
    kill();
  if (info_.hProcess != nullptr)
    CloseHandle(info_.hProcess);
  if (info_.hThread != nullptr)
    CloseHandle(info_.hThread);
}

bool Program::start() {
  std::wstring command = L"\"" + exe_ + L"\"";
  const std::wstring folder = folder_.empty() ? folder_of(exe_) : folder_;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info_)) {
    return false;
  }
  const bool shown = wait_until([&] {
    for (HWND w : top_windows(info_.dwProcessId, kMainClass)) {
      if (IsWindowVisible(w)) {
        main_ = w;
        return true;
      }
    }
    return false;
  });
  return shown && settle();
}

std::optional<DWORD> Program::close() {
  if (!running()) {
    DWORD code = 0;
    if (info_.hProcess != nullptr && GetExitCodeProcess(info_.hProcess, &code))
      return code;
    return std::nullopt;
  }
  PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(kBound.count())) != WAIT_OBJECT_0) {
    kill();
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Program::kill() {
  if (!running())
    return;
  TerminateProcess(info_.hProcess, 99);
  WaitForSingleObject(info_.hProcess, static_cast<DWORD>(kBound.count()));
}

bool Program::running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::settle() const {
  return main_ != nullptr && send(main_, WM_NULL, 0, 0).has_value();
}

HWND Program::tab() const {
  return GetDlgItem(main_, kTabControlId);
}

bool Program::show_tab(int index) const {
  HWND t = tab();
  if (!send(t, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0))
    return false;
  const auto current = send(t, TCM_GETCURSEL, 0, 0);
  return current && *current == index;
}

bool Program::menu_command(int id) const {
  return PostMessageW(main_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0) != FALSE;
}

bool Program::in_menu() const {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  const DWORD id = GetWindowThreadProcessId(main_, nullptr);
  return GetGUIThreadInfo(id, &thread) && (thread.flags & GUI_INMENUMODE) != 0;
}

bool Program::pick_from_menu(int popup) const {
  PostMessageW(main_, WM_SYSCOMMAND, SC_KEYMENU, 0);
  if (!wait_until([&] { return in_menu(); }))
    return false;
  // The menu's own loop takes the keys from the thread's queue, in order.
  for (int i = 0; i < popup; ++i)
    PostMessageW(main_, WM_KEYDOWN, VK_RIGHT, 0);
  PostMessageW(main_, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(main_, WM_CHAR, L'\r', 0);
  return wait_until([&] { return !in_menu(); });
}

HWND Program::port_window() const {
  const auto found = top_windows(info_.dwProcessId, kPortClass);
  return found.empty() ? nullptr : found.front();
}

std::optional<std::wstring> Program::connection_text() const {
  HWND bar = FindWindowExW(main_, nullptr, STATUSCLASSNAMEW, nullptr);
  if (bar == nullptr)
    return std::nullopt;
  // An owner-drawn part answers with its data, which is the program's own pointer to the text.
  const auto data = send(bar, SB_GETTEXTW, 0, 0);
  if (!data)
    return std::nullopt;
  return remote_text(info_.hProcess, reinterpret_cast<const void*>(*data));
}

std::optional<std::wstring> Program::status_text() const {
  HWND bar = FindWindowExW(main_, nullptr, STATUSCLASSNAMEW, nullptr);
  if (bar == nullptr)
    return std::nullopt;
  RemoteBuffer buffer(info_.hProcess, 1024 * sizeof(wchar_t));
  if (buffer.address() == nullptr)
    return std::nullopt;
  const wchar_t zero = L'\0';
  SIZE_T written = 0;
  WriteProcessMemory(info_.hProcess, buffer.address(), &zero, sizeof zero, &written);
  if (!send(bar, SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(buffer.address())))
    return std::nullopt;
  return remote_text(info_.hProcess, buffer.address());
}

void screenshot(const std::string& name) {
  const std::wstring folder = environment(L"TK52_GUI_SHOTS");
  if (folder.empty())
    return;
  // Let the program finish painting what it has to paint.
  EnumWindows(
      [](HWND window, LPARAM) -> BOOL {
        static const std::wstring main_class = kMainClass;
        if (class_of(window) == main_class) {
          const DWORD process = process_of(window);
          wait_until([&] { return !has_pending_paint(process); }, 2s);
          send(window, WM_NULL, 0, 0, 5000);
        }
        return TRUE;
      },
      0);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file keeps its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::string pixels(stride * static_cast<std::size_t>(height), '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  std::string file;
  file += "BM";
  put32(file, static_cast<unsigned>(14 + 40 + pixels.size()));
  put32(file, 0);
  put32(file, 14 + 40);
  put32(file, 40);
  put32(file, static_cast<unsigned>(width));
  put32(file, static_cast<unsigned>(height));
  put16(file, 1);
  put16(file, 24);
  put32(file, 0);
  put32(file, static_cast<unsigned>(pixels.size()));
  put32(file, 2835);
  put32(file, 2835);
  put32(file, 0);
  put32(file, 0);
  file += pixels;
  std::wstring path = folder + L"\\";
  for (char c : name)
    path.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  path += L".bmp";
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
  CloseHandle(out);
}

bool send_dpi_changed(HWND window, int dpi, const RECT& suggested) {
  constexpr UINT kDpiChanged = 0x02E0;
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process_of(window));
  if (process == nullptr)
    return false;
  bool sent = false;
  {
    // The rectangle's pointer is read in the program's own memory.
    RemoteBuffer place(process, sizeof suggested);
    SIZE_T written = 0;
    if (place.address() != nullptr &&
        WriteProcessMemory(process, place.address(), &suggested, sizeof suggested, &written) &&
        written == sizeof suggested) {
      const auto dpis = static_cast<WPARAM>(MAKELONG(dpi, dpi));
      sent = send(window, kDpiChanged, dpis, reinterpret_cast<LPARAM>(place.address())).has_value();
    }
  }
  CloseHandle(process);
  return sent;
}

Pixels pixels_of(const RECT& area) {
  Pixels out;
  out.width = std::max(0, static_cast<int>(area.right - area.left));
  out.height = std::max(0, static_cast<int>(area.bottom - area.top));
  if (out.width == 0 || out.height == 0)
    return out;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, out.width, out.height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, out.width, out.height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = out.width;
  info.bmiHeader.biHeight = -out.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  out.rgb.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(out.height), out.rgb.data(), &info,
            DIB_RGB_COLORS);
  for (COLORREF& p : out.rgb)
    p &= 0xFFFFFF;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return out;
}

Pixels settled_pixels(HWND window, bool client_only) {
  const DWORD process = process_of(window);
  wait_until([&] { return !has_pending_paint(process); }, 5s);
  RECT area{};
  if (client_only) {
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    GetWindowRect(window, &area);
  }
  Pixels last = pixels_of(area);
  Pixels now;
  const bool steady = wait_until([&] {
    send(GetAncestor(window, GA_ROOT), WM_NULL, 0, 0, 5000);
    now = pixels_of(area);
    if (now == last)
      return true;
    last = now;
    return false;
  });
  return steady ? now : Pixels{};
}

std::optional<DWORD> run_to_end(const std::wstring& exe, std::chrono::milliseconds bound) {
  std::wstring command = L"\"" + exe + L"\"";
  const std::wstring folder = folder_of(exe);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  std::optional<DWORD> code;
  if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(bound.count())) == WAIT_OBJECT_0) {
    DWORD value = 0;
    GetExitCodeProcess(info.hProcess, &value);
    code = value;
  } else {
    TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, static_cast<DWORD>(bound.count()));
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return code;
}

std::optional<std::string> read_file(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::string data;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
    data.append(chunk, got);
  CloseHandle(file);
  return data;
}

std::wstring folder_of(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

}  // namespace gui

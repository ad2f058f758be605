#include "windows/port_window_win32.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <utility>

#include "platform/win32_text.h"
#include "ports/port_scan_win32.h"
#include "windows/port_window_ids.h"
#include "windows/ui_win32.h"

namespace tk52 {
namespace {

using win32::widen;

constexpr DWORD kStyle = WS_CAPTION | WS_CLIPCHILDREN;  // no system menu: no close box
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_COMPOSITED;
constexpr int kMargin = 8;
constexpr int kDropDownHeight = 300;

constexpr const wchar_t* kTitle = L"Выберите порт для подключения";
constexpr const wchar_t* kScanCaption = L"Сканировать";
constexpr const wchar_t* kOkCaption = L"ОК";

MessageId scan_failure(PortResult result) {
  switch (result) {
    case PortResult::access_denied:
      return MessageId::kPortRegistryUnreadable;
    case PortResult::out_of_memory:
      return MessageId::kPortScanOutOfMemory;
    default:
      return MessageId::kPortScanFailed;
  }
}

// The layout unit: the size of the scan button's caption in the window's font.
SIZE caption_size(HFONT font) {
  SIZE size{};
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ previous = SelectObject(screen, font);
  GetTextExtentPoint32W(screen, kScanCaption, lstrlenW(kScanCaption), &size);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return size;
}

bool register_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = PortWindow::kClassName;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

PortWindow::PortWindow(HWND owner, HFONT font, std::function<std::string()> remembered_port)
    : owner_(owner), font_(font), remembered_port_(std::move(remembered_port)) {}

PortWindow* PortWindow::create(HINSTANCE instance, HWND owner, HFONT font,
                               std::function<std::string()> remembered_port, int& error_code) {
  std::unique_ptr<PortWindow> self(new (std::nothrow)
                                       PortWindow(owner, font, std::move(remembered_port)));
  if (!self) {
    error_code = kListNotCreated;
    return nullptr;
  }
  if (!register_class(instance, procedure)) {
    error_code = kClassNotRegistered;
    return nullptr;
  }
  if (CreateWindowExW(kExStyle, kClassName, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance,
                      self.get()) == nullptr) {
    error_code = kWindowNotCreated;
    return nullptr;
  }
  PortWindow* window = self.release();
  window->owned_by_window_ = true;
  if (!window->create_controls(instance)) {
    DestroyWindow(window->window_);
    error_code = kWindowNotCreated;
    return nullptr;
  }
  window->fill();
  error_code = 0;
  return window;
}

HWND PortWindow::add_control(HINSTANCE instance, const wchar_t* class_name, const wchar_t* caption,
                             DWORD style, DWORD ex_style, int id, const RECT& place) {
  const HWND control = CreateWindowExW(
      ex_style, class_name, caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, place.left,
      place.top, place.right - place.left, place.bottom - place.top, window_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (control == nullptr)
    return nullptr;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // Enter anywhere in the window closes it, whichever control has the focus.
  SetWindowSubclass(control, control_procedure, static_cast<UINT_PTR>(id),
                    reinterpret_cast<DWORD_PTR>(this));
  return control;
}

bool PortWindow::create_controls(HINSTANCE instance) {
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  const SIZE text = caption_size(font_);
  const int list_width = 2 * text.cx + 136;
  list_ = add_control(instance, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, WS_EX_CLIENTEDGE,
                      port_window_ids::kPortList,
                      {kMargin, kMargin, kMargin + list_width, kMargin + kDropDownHeight});
  if (list_ == nullptr)
    return false;
  // A drop-down list's window is as high as its closed field; the buttons go below that.
  RECT closed{};
  GetWindowRect(list_, &closed);
  const int buttons_top = kMargin + (closed.bottom - closed.top) + kMargin;
  const int button_width = text.cx + 64;
  const int button_height = text.cy + 16;
  scan_ = add_control(instance, L"BUTTON", kScanCaption, BS_PUSHBUTTON | BS_MULTILINE, 0,
                      port_window_ids::kScanButton,
                      {kMargin, buttons_top, kMargin + button_width, buttons_top + button_height});
  const int ok_left = text.cx + 80;
  ok_ = add_control(instance, L"BUTTON", kOkCaption, BS_DEFPUSHBUTTON | BS_MULTILINE, 0,
                    port_window_ids::kOkButton,
                    {ok_left, buttons_top, ok_left + button_width, buttons_top + button_height});
  if (scan_ == nullptr || ok_ == nullptr)
    return false;
  RECT frame{0, 0, list_width + 2 * kMargin, buttons_top + button_height + kMargin};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void PortWindow::fill() {
  SendMessageW(list_, CB_RESETCONTENT, 0, 0);
  const PortResult scanned = scan_com_ports(ports_);
  if (scanned != PortResult::ok) {
    win32::message_box(window_, {.id = scan_failure(scanned)}, MB_OK);
    if (ports_.build_default() != PortResult::ok)
      win32::message_box(window_, {.id = MessageId::kPortDefaultListFailed}, MB_OK);
  }
  const std::string remembered = remembered_port_ ? remembered_port_() : std::string();
  int chosen = -1;
  for (int index = 0;; ++index) {
    const PortLookup port = ports_.get(index);
    if (port.result != PortResult::ok)
      break;
    const std::wstring text = widen(item_text(*port.entry));
    SendMessageW(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (chosen < 0 && port.entry->name == remembered)
      chosen = index;
  }
  choose(chosen < 0 ? 0 : chosen);
}

void PortWindow::choose(int index) {
  SendMessageW(list_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  const PortLookup port = ports_.get(index);
  if (port.result == PortResult::ok)
    current_ = PortChoice{port.entry->name, port.entry->number};
  else
    current_.reset();
}

void PortWindow::show() {
  RECT owner{};
  RECT own{};
  GetWindowRect(owner_, &owner);
  GetWindowRect(window_, &own);
  const int x = owner.left + (owner.right - owner.left) / 2 - (own.right - own.left) / 2;
  const int y = owner.top + (owner.bottom - owner.top) / 2 - (own.bottom - own.top) / 2;
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window_, SW_SHOW);
  RECT list{};
  GetWindowRect(list_, &list);
  SetCursorPos(list.right - 8, list.top + 8);
  SetFocus(list_);
}

void PortWindow::on_command(int id, int code) {
  if (id == port_window_ids::kPortList && code == CBN_SELCHANGE) {
    choose(static_cast<int>(SendMessageW(list_, CB_GETCURSEL, 0, 0)));
  } else if (id == port_window_ids::kScanButton && code == BN_CLICKED) {
    fill();
  } else if (id == port_window_ids::kOkButton && code == BN_CLICKED) {
    ShowWindow(window_, SW_HIDE);
  }
}

// The window stands in for a modal dialog: its owner takes no input while it is shown.
void PortWindow::on_show(bool shown) {
  EnableWindow(owner_, shown ? FALSE : TRUE);
  if (!shown)
    BringWindowToTop(owner_);
}

LRESULT PortWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SHOWWINDOW:
      on_show(wparam != FALSE);
      break;
    case WM_SETFOCUS:
      SetFocus(list_);
      return 0;
    case WM_COMMAND:
      on_command(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CLOSE:
      // Only OK and Enter hide the window; Alt+F4 would destroy it and leave the owner disabled.
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT CALLBACK PortWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<PortWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PortWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr)
    return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (self->owned_by_window_)
      delete self;
    else
      self->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->handle(message, wparam, lparam);
}

LRESULT CALLBACK PortWindow::control_procedure(HWND control, UINT message, WPARAM wparam,
                                               LPARAM lparam, UINT_PTR id, DWORD_PTR self) {
  if (message == WM_KEYUP && wparam == VK_RETURN) {
    // Posted, so that the click runs after the key message is done with the control.
    PostMessageW(reinterpret_cast<PortWindow*>(self)->ok_, BM_CLICK, 0, 0);
    return 0;
  }
  if (message == WM_NCDESTROY)
    RemoveWindowSubclass(control, control_procedure, id);
  return DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace tk52

#include "windows/ui_win32.h"

#include <commctrl.h>

#include <string>

#include "windows/control_ids.h"

namespace tk52::win32 {
namespace {

LRESULT CALLBACK group_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                 DWORD_PTR data) {
  switch (message) {
    case WM_COMMAND: {
      const auto* dispatch = reinterpret_cast<const Dispatcher*>(data);
      if (HIWORD(wparam) == 0 && dispatch != nullptr && *dispatch) {
        (*dispatch)(LOWORD(wparam), reinterpret_cast<HWND>(lparam));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Captions and check boxes sit on the page's face colour; read-only fields stay white.
      HDC dc = reinterpret_cast<HDC>(wparam);
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == ids::kIdentityField ||
          (GetWindowLongW(reinterpret_cast<HWND>(lparam), GWL_STYLE) & ES_READONLY) != 0) {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      // Whatever the theme paints behind the group shows through captions and check boxes.
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, group_procedure, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

Ui& ui() {
  static Ui state;
  return state;
}

bool init_ui(HINSTANCE instance) {
  Ui& u = ui();
  u.instance = instance;
  u.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HDC screen = GetDC(nullptr);
  if (screen == nullptr)
    return false;
  HGDIOBJ old = SelectObject(screen, u.font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  u.line_height = metrics.tmHeight;
  return true;
}

SIZE text_size(std::wstring_view text) {
  SIZE size{};
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, ui().font);
  GetTextExtentPoint32W(screen, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return size;
}

HWND make_control(const wchar_t* class_name, std::wstring_view text, DWORD style, RECT place,
                  HWND parent, int id, DWORD ex_style) {
  const std::wstring caption(text);
  HWND control = CreateWindowExW(
      ex_style, class_name, caption.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
      place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ui().instance, nullptr);
  if (control != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ui().font), TRUE);
  return control;
}

HWND make_group(HWND parent, std::wstring_view caption, RECT place, const Dispatcher* dispatch) {
  HWND group = make_control(L"BUTTON", caption, BS_GROUPBOX, place, parent, ids::kGroupBox,
                            WS_EX_CONTROLPARENT);
  if (group != nullptr) {
    SetWindowSubclass(group, group_procedure, 1, reinterpret_cast<DWORD_PTR>(dispatch));
  }
  return group;
}

HWND make_page(HWND parent, RECT place) {
  static const wchar_t kPageClass[] = L"TK52CFG_PAGE";
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(ui().instance, kPageClass, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ui().instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPageClass;
    if (RegisterClassExW(&wc) == 0)
      return nullptr;
  }
  return CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPCHILDREN,
                         place.left, place.top, place.right - place.left, place.bottom - place.top,
                         parent, nullptr, ui().instance, nullptr);
}

void enable_now(HWND control, bool enabled) {
  EnableWindow(control, enabled ? TRUE : FALSE);
  UpdateWindow(control);
}

}  // namespace tk52::win32

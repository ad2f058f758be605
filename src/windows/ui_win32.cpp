#include "windows/ui_win32.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/win32_text.h"
#include "windows/control_ids.h"

namespace tk52::win32 {
namespace {

// A high-contrast scheme switches the visual styles off, as the system itself does.
bool themed() {
  return IsThemeActive() != FALSE && !high_contrast();
}

// Text and background for a control on a page: every text gets the colour that goes with the
// brush behind it, so that it stays readable in any colour scheme.
LRESULT control_colours(HDC dc, HWND control) {
  const bool value_field = GetDlgCtrlID(control) == ids::kIdentityField ||
                           (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) != 0;
  if (value_field) {
    // Read-only values stand out in the scheme's window colours: white in the normal scheme,
    // the scheme's own pair in a high-contrast one.
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  }
  SetTextColor(dc, GetSysColor(IsWindowEnabled(control) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  if (themed()) {
    // The theme's background goes behind the control first: the null brush alone would leave
    // whatever the control showed before (a longer old value, a bolder old caption).
    DrawThemeParentBackground(control, dc, nullptr);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

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
    case WM_CTLCOLORBTN:
      return control_colours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, group_procedure, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

// What shows behind a label: the tab's themed background, or the scheme's face colour.
void erase_behind(HWND window, HDC dc) {
  if (themed()) {
    DrawThemeParentBackground(window, dc, nullptr);
    return;
  }
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
}

// Labels paint themselves: the background first, then the text in the colour that goes with it,
// so that a shorter or greyed text never leaves the old one showing.
LRESULT CALLBACK label_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                 DWORD_PTR) {
  switch (message) {
    case WM_ERASEBKGND:
      erase_behind(window, reinterpret_cast<HDC>(wparam));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window, &paint);
      erase_behind(window, dc);
      wchar_t text[256] = {};
      const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
      RECT client{};
      GetClientRect(window, &client);
      const LONG style = GetWindowLongW(window, GWL_STYLE);
      const UINT align = (style & SS_TYPEMASK) == SS_CENTER  ? DT_CENTER
                         : (style & SS_TYPEMASK) == SS_RIGHT ? DT_RIGHT
                                                             : DT_LEFT;
      HGDIOBJ old_font =
          SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(IsWindowEnabled(window) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
      DrawTextW(dc, text, length, &client, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align);
      SelectObject(dc, old_font);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      InvalidateRect(window, nullptr, TRUE);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, label_procedure, 4);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

// A framed edit draws its frame again with every painting: a state change repaints the client
// area only, and the frame would keep the old state's colours.
LRESULT CALLBACK framed_edit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_PAINT:
      SendMessageW(window, WM_NCPAINT, 1, 0);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, framed_edit_procedure, 5);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK page_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      if (themed()) {
        DrawThemeParentBackground(window, reinterpret_cast<HDC>(wparam), nullptr);
        return 1;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return control_colours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The face of the system's GUI font, at its 8 points for this DPI. One font per scale for the
// program's life: a window not rescaled (an open viewer) may still use an earlier one, and moving
// back and forth between monitors makes no new fonts.
HFONT make_font(int dpi) {
  static std::map<int, HFONT> fonts;
  if (const auto found = fonts.find(dpi); found != fonts.end())
    return found->second;
  LOGFONTW face{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  face.lfHeight = -MulDiv(8, dpi, 72);
  face.lfWidth = 0;
  HFONT font = CreateFontIndirectW(&face);
  if (font != nullptr)
    fonts.emplace(dpi, font);
  return font;
}

int measure_line_height(HFONT font) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr)
    return 0;
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return metrics.tmHeight;
}

struct Rescale {
  int from = 96;
  HFONT old_font = nullptr;
  std::vector<HWND> windows;
};

BOOL CALLBACK collect_child(HWND child, LPARAM data) {
  reinterpret_cast<Rescale*>(data)->windows.push_back(child);
  return TRUE;
}

}  // namespace

Ui& ui() {
  static Ui state;
  return state;
}

bool init_ui(HINSTANCE instance) {
  Ui& u = ui();
  u.instance = instance;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr)
    return false;
  // The program declares itself DPI-aware, so this is the real scale of the screen.
  u.dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (u.dpi <= 0)
    u.dpi = 96;
  u.font = make_font(u.dpi);
  if (u.font == nullptr)
    u.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  u.line_height = measure_line_height(u.font);
  return u.line_height > 0;
}

int px(int length_at_96_dpi) {
  return MulDiv(length_at_96_dpi, ui().dpi, 96);
}

bool high_contrast() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void change_dpi(HWND top, int dpi) {
  Ui& u = ui();
  if (dpi <= 0 || dpi == u.dpi)
    return;
  HFONT font = make_font(dpi);
  if (font == nullptr)
    return;
  Rescale rescale{u.dpi, u.font, {}};
  EnumChildWindows(top, collect_child, reinterpret_cast<LPARAM>(&rescale));
  // Every place is relative to the parent, so each scales on its own, in any order.
  for (HWND child : rescale.windows) {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
    // A drop-down list's window is only its closed field; its height as placed includes the
    // list that drops down, which must not shrink to that field.
    RECT dropped{};
    wchar_t kind[16] = {};
    GetClassNameW(child, kind, static_cast<int>(std::size(kind)));
    if (std::wstring_view(kind) == L"ComboBox" &&
        SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)) &&
        dropped.bottom - dropped.top > place.bottom - place.top) {
      place.bottom = place.top + (dropped.bottom - dropped.top);
    }
    SetWindowPos(
        child, nullptr, MulDiv(place.left, dpi, rescale.from), MulDiv(place.top, dpi, rescale.from),
        MulDiv(place.right - place.left, dpi, rescale.from),
        MulDiv(place.bottom - place.top, dpi, rescale.from), SWP_NOZORDER | SWP_NOACTIVATE);
    if (reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) == rescale.old_font)
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendMessageW(top, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  u.dpi = dpi;
  u.font = font;
  u.line_height = measure_line_height(font);
  InvalidateRect(top, nullptr, TRUE);
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
  if (control == nullptr)
    return nullptr;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ui().font), TRUE);
  const std::wstring_view kind = class_name;
  if (kind == L"STATIC" && (style & SS_TYPEMASK) <= SS_RIGHT)
    SetWindowSubclass(control, label_procedure, 4, 0);
  else if (kind == L"EDIT" && (ex_style & WS_EX_CLIENTEDGE) != 0)
    SetWindowSubclass(control, framed_edit_procedure, 5, 0);
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
  static const wchar_t kPageClass[] = L"KEX_TK_WNDCLASS_TAB";
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(ui().instance, kPageClass, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = page_procedure;
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

void paint_now(HWND window) {
  UpdateWindow(window);
  // Operations block this thread for a while. A wait that returns at once and dispatches
  // nothing lets the window system put what was just painted on the screen first (Wine hands
  // painted windows to the X server on such waits, not while a thread is busy).
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_PAINT);
}

void enable_now(HWND control, bool enabled) {
  EnableWindow(control, enabled ? TRUE : FALSE);
  paint_now(control);
}

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

UINT icon_flags(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return MB_ICONINFORMATION;
    case MessageIcon::kWarning:
      return MB_ICONWARNING;
    case MessageIcon::kError:
      return MB_ICONERROR;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
  }
  return MB_ICONINFORMATION;
}

int message_box(HWND owner, const Message& message, UINT flags) {
  const MessageEntry& entry = message_entry(message.id);
  return MessageBoxW(owner, widen(message_text(message)).c_str(), widen(entry.title).c_str(),
                     flags | icon_flags(entry.icon));
}

}  // namespace tk52::win32

#include "windows/log_view_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "log/traffic_log.h"
#include "windows/ui_win32.h"

namespace tk52::win32 {
namespace {

constexpr int kLineColumns = 256;
constexpr COLORREF kBackground = RGB(255, 248, 240);
constexpr COLORREF kEventColour = RGB(0, 128, 0);
constexpr COLORREF kBadColour = RGB(204, 0, 0);
constexpr COLORREF kReceivedColour = RGB(0, 0, 0);
constexpr COLORREF kSentColour = RGB(0, 0, 204);

// The log's fixed-pitch font for the program's DPI, and the row and column it takes.
HFONT g_font = nullptr;
int g_font_dpi = 0;
int g_row_height = 15;
int g_column_width = 7;

bool make_log_font(int dpi) {
  if (g_font != nullptr && g_font_dpi == dpi)
    return true;
  HFONT font = CreateFontW(MulDiv(13, dpi, 96), MulDiv(7, dpi, 96), 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, L"Lucida Console");
  if (font == nullptr)
    return g_font != nullptr;
  // Every view takes the font afresh at each painting, on this same thread, and none holds it
  // selected between paintings: the old one can go.
  if (g_font != nullptr)
    DeleteObject(g_font);
  g_font = font;
  g_font_dpi = dpi;
  HDC screen = GetDC(nullptr);
  if (screen != nullptr) {
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(screen, &metrics)) {
      g_row_height = std::max(1, static_cast<int>(metrics.tmHeight) + MulDiv(2, dpi, 96));
      g_column_width = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
    }
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
  }
  return true;
}

struct LogView {
  explicit LogView(bool read_only, LogViewHooks hooks)
      : log(read_only, std::move(hooks.open), std::move(hooks.close)) {
    log.set_cut_back_failure_hook(std::move(hooks.cut_back_failure));
  }

  LogFile log;
  int visible_columns = 0;
  int horizontal = 0;
  // Appends only mark the scroll bars stale; the next paint brings them up to date once, so a
  // burst of lines costs one scroll bar update, not one per line.
  bool scroll_bars_stale = false;
};

LogView* state(HWND window) {
  return reinterpret_cast<LogView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The colour of a line, chosen by the traffic log's markers; other lines keep the last colour.
COLORREF colour_of(const char* line, std::size_t size, COLORREF previous) {
  if (size > 1 && line[1] == '<')
    return kEventColour;
  if (size > 0 && line[0] == 'x')
    return kBadColour;
  if (size > kDirectionOffset && line[kDirectionOffset] == '>')
    return kReceivedColour;
  if (size > kDirectionOffset && line[kDirectionOffset] == '<')
    return kSentColour;
  return previous;
}

void update_scroll_bars(HWND window, LogView& view) {
  SCROLLINFO v{};
  v.cbSize = sizeof v;
  v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  v.nMin = 0;
  v.nMax = view.log.scroll_maximum();
  v.nPage = static_cast<UINT>(view.log.visible_rows());
  v.nPos = view.log.scroll_position();
  SetScrollInfo(window, SB_VERT, &v, TRUE);
  EnableScrollBar(window, SB_VERT, view.log.follow() ? ESB_DISABLE_BOTH : ESB_ENABLE_BOTH);

  SCROLLINFO h{};
  h.cbSize = sizeof h;
  h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  h.nMin = 0;
  h.nMax = kLineColumns;
  h.nPage = static_cast<UINT>(view.visible_columns);
  h.nPos = view.horizontal;
  SetScrollInfo(window, SB_HORZ, &h, TRUE);
}

void repaint(HWND window, LogView& view) {
  update_scroll_bars(window, view);
  InvalidateRect(window, nullptr, FALSE);
}

void paint_lines(HDC dc, const RECT& client, LogView& view) {
  make_log_font(ui().dpi);
  HBRUSH background = CreateSolidBrush(kBackground);
  FillRect(dc, &client, background);
  DeleteObject(background);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old_font = SelectObject(dc, g_font);
  COLORREF colour = kReceivedColour;
  std::array<char, LogFile::kPaintedBytes> buffer{};
  const LineNumber count = view.log.line_count();
  for (LineNumber row = 0; row < view.log.visible_rows(); ++row) {
    const LineNumber line = view.log.top_line() + row;
    if (line >= count)
      break;
    const std::size_t size = view.log.read_line(line, buffer);
    if (size == 0)
      break;
    colour = colour_of(buffer.data(), size, colour);
    SetTextColor(dc, colour);
    // The line without its CR LF, decoded as Windows-1251 whatever the system's code page.
    const std::size_t shown = size >= 2 && buffer[size - 2] == '\r' ? size - 2 : size;
    wchar_t wide[LogFile::kPaintedBytes];
    const int length = MultiByteToWideChar(1251, 0, buffer.data(), static_cast<int>(shown), wide,
                                           static_cast<int>(std::size(wide)));
    const int y = 2 + static_cast<int>(row) * g_row_height;
    TextOutW(dc, -view.horizontal * g_column_width, y, wide, length);
  }
  SelectObject(dc, old_font);
}

void on_paint(HWND window, LogView& view) {
  if (view.scroll_bars_stale) {
    view.scroll_bars_stale = false;
    update_scroll_bars(window, view);
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  // Through an off-screen bitmap, so that appending while following does not flicker.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap =
      memory != nullptr ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    paint_lines(memory, client, view);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  } else {
    paint_lines(dc, client, view);
  }
  if (memory != nullptr)
    DeleteDC(memory);
  EndPaint(window, &ps);
}

void on_size(HWND window, LogView& view, int width, int height) {
  // A change of DPI resizes every view: its font follows first.
  make_log_font(ui().dpi);
  view.log.set_visible_rows(static_cast<LineNumber>(height / g_row_height));
  view.visible_columns = width / g_column_width;
  view.horizontal = std::clamp(view.horizontal, 0, std::max(0, 257 - view.visible_columns));
  repaint(window, view);
}

void scroll_horizontally(HWND window, LogView& view, int position) {
  view.horizontal = std::clamp(position, 0, std::max(0, 257 - view.visible_columns));
  repaint(window, view);
}

void on_vscroll(HWND window, LogView& view, int request) {
  if (view.log.follow())
    return;
  const auto rows = static_cast<std::int64_t>(view.log.visible_rows());
  switch (request) {
    case SB_LINEUP:
      view.log.scroll_by(-1);
      break;
    case SB_LINEDOWN:
      view.log.scroll_by(1);
      break;
    case SB_PAGEUP:
      view.log.scroll_by(-rows);
      break;
    case SB_PAGEDOWN:
      view.log.scroll_by(rows);
      break;
    case SB_THUMBTRACK: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(window, SB_VERT, &info);
      view.log.scroll_to_thumb(info.nTrackPos);
      break;
    }
    default:
      return;
  }
  repaint(window, view);
}

void on_hscroll(HWND window, LogView& view, int request) {
  switch (request) {
    case SB_LINELEFT:
      return scroll_horizontally(window, view, view.horizontal - 3);
    case SB_LINERIGHT:
      return scroll_horizontally(window, view, view.horizontal + 3);
    case SB_PAGELEFT:
      return scroll_horizontally(window, view, view.horizontal - view.visible_columns);
    case SB_PAGERIGHT:
      return scroll_horizontally(window, view, view.horizontal + view.visible_columns);
    case SB_THUMBTRACK: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(window, SB_HORZ, &info);
      return scroll_horizontally(window, view, info.nTrackPos);
    }
    default:
      return;
  }
}

void on_wheel(HWND window, LogView& view, WPARAM wparam) {
  const int notches = GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA;
  if (notches == 0)
    return;
  const WORD keys = GET_KEYSTATE_WPARAM(wparam);
  const bool shift = (keys & MK_SHIFT) != 0;
  const bool control = (keys & MK_CONTROL) != 0;
  if (shift && !control)
    return scroll_horizontally(window, view, view.horizontal - 3 * notches);
  if (view.log.follow())
    return;
  if (control && !shift) {
    const auto rows = static_cast<std::int64_t>(view.log.visible_rows());
    view.log.scroll_by(notches > 0 ? -rows : rows);
  } else {
    view.log.scroll_by(-3 * static_cast<std::int64_t>(notches));
  }
  repaint(window, view);
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wparam, lparam);
  }
  LogView* view = state(window);
  if (view == nullptr) {
    if (message == kAppend)
      delete reinterpret_cast<std::string*>(wparam);
    return message >= kOpenFile && message <= kClear
               ? static_cast<LRESULT>(LogResult::kNoState)
               : DefWindowProcW(window, message, wparam, lparam);
  }
  switch (message) {
    case WM_NCDESTROY: {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete view;
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      on_paint(window, *view);
      return 0;
    case WM_SIZE:
      on_size(window, *view, LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_VSCROLL:
      on_vscroll(window, *view, LOWORD(wparam));
      return 0;
    case WM_HSCROLL:
      on_hscroll(window, *view, LOWORD(wparam));
      return 0;
    case WM_MOUSEWHEEL:
      on_wheel(window, *view, wparam);
      return 0;
    case kOpenFile: {
      const auto* path = reinterpret_cast<const std::filesystem::path*>(lparam);
      const LogResult result = path != nullptr ? view->log.open(*path) : LogResult::kBadArgument;
      repaint(window, *view);
      return static_cast<LRESULT>(result);
    }
    case kCloseFile: {
      const LogResult result = view->log.close();
      repaint(window, *view);
      return static_cast<LRESULT>(result);
    }
    case kAppend: {
      std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(wparam));
      const LogResult result = line ? view->log.append(*line) : LogResult::kBadArgument;
      view->scroll_bars_stale = true;
      if (view->log.follow())
        InvalidateRect(window, nullptr, FALSE);
      return static_cast<LRESULT>(result);
    }
    case kSetFollow:
      view->log.set_follow(lparam != 0);
      repaint(window, *view);
      return static_cast<LRESULT>(LogResult::kDone);
    case kClear: {
      const LogResult result = view->log.clear();
      repaint(window, *view);
      return static_cast<LRESULT>(result);
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool register_class(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kLogViewClass, &existing))
    return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kLogViewClass;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

HWND create_log_view(HWND parent, HINSTANCE instance, int id, RECT place, bool read_only,
                     LogViewHooks hooks) {
  if (!register_class(instance))
    return nullptr;
  if (!make_log_font(ui().dpi))
    return nullptr;
  auto* view = new LogView(read_only, std::move(hooks));
  HWND window = CreateWindowExW(
      0, kLogViewClass, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL,
      place.left, place.top, place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, view);
  if (window == nullptr) {
    delete view;
    return nullptr;
  }
  EnableScrollBar(window, SB_VERT, ESB_DISABLE_BOTH);
  return window;
}

LogFile* log_of(HWND view) {
  LogView* s = view != nullptr ? state(view) : nullptr;
  return s != nullptr ? &s->log : nullptr;
}

bool post_line(HWND view, std::string line) {
  auto block = std::make_unique<std::string>(std::move(line));
  if (!PostMessageW(view, kAppend, reinterpret_cast<WPARAM>(block.get()), 0))
    return false;
  block.release();
  return true;
}

void refresh_log_view(HWND view) {
  if (LogView* s = state(view))
    repaint(view, *s);
}

}  // namespace tk52::win32

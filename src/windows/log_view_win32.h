// The log view control: a child window that shows a LogFile's lines in a fixed-pitch font,
// coloured by the traffic log's markers, reading only the visible lines when it paints.
// Other threads hand it lines by posting kAppend with a heap block (see post_line).
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "log/log_file.h"

namespace tk52::win32 {

// The view's messages, WM_USER-based.
inline constexpr UINT kOpenFile = WM_USER + 1;  // lParam: const std::filesystem::path*
inline constexpr UINT kCloseFile = WM_USER + 2;
inline constexpr UINT kAppend = WM_USER + 3;     // wParam: std::string* (the view deletes it)
inline constexpr UINT kSetFollow = WM_USER + 4;  // lParam: follow or not
inline constexpr UINT kClear = WM_USER + 5;

inline constexpr wchar_t kLogViewClass[] = L"KEX_JOURNAL_CALSS";

struct LogViewHooks {
  LogFile::Hook open;
  LogFile::Hook close;
  LogFile::Hook cut_back_failure;
};

// Creates a view; null on failure. The LogFile is owned by the window and freed with it.
HWND create_log_view(HWND parent, HINSTANCE instance, int id, RECT place, bool read_only,
                     LogViewHooks hooks = {});

// The view's log, for callers on the user interface thread (null for a window without one).
LogFile* log_of(HWND view);

// Hands a line to the view from any thread; it is appended when the view's thread gets to it,
// in the order posted. False when the view is gone (the line is dropped).
bool post_line(HWND view, std::string line);

// Re-reads the scroll state after the log changed under the caller (a direct append).
void refresh_log_view(HWND view);

}  // namespace tk52::win32

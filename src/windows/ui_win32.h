// Shared drawing state and small builders for the program's windows: the instance, the GUI
// font and its metrics, controls created with that font, and group boxes that forward their
// children's clicks to the operation dispatcher.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "app/messages.h"

namespace tk52::win32 {

struct Ui {
  HINSTANCE instance = nullptr;
  HFONT font = nullptr;
  int line_height = 0;  // the font's character height
  int dpi = 96;         // the main window's dots per inch; every layout figure is scaled by it
  HWND main_window = nullptr;
};

Ui& ui();

// Takes the screen's DPI, the GUI font for it and its metrics; call once at start-up.
bool init_ui(HINSTANCE instance);

// A length given at 96 dpi, scaled to the current DPI.
int px(int length_at_96_dpi);

// Makes the GUI font again for `dpi` and rescales every window under `top` (their places relative
// to their parents, their fonts), for a window moved to a monitor of another scale.
void change_dpi(HWND top, int dpi);

// True while a high-contrast colour scheme is on.
bool high_contrast();

// The size of a text in the GUI font.
SIZE text_size(std::wstring_view text);

// A window's text (a control's caption or contents).
std::wstring window_text(HWND window);

// The MB_ICON* flag of a message's icon.
UINT icon_flags(MessageIcon icon);
// Shows a message of the catalogue, its icon added to `flags` (MB_OK, MB_YESNO, MB_TASKMODAL...);
// returns what MessageBoxW returned.
int message_box(HWND owner, const Message& message, UINT flags = MB_OK | MB_TASKMODAL);

// Creates a child control with the GUI font; null on failure.
HWND make_control(const wchar_t* class_name, std::wstring_view text, DWORD style, RECT place,
                  HWND parent, int id, DWORD ex_style = 0);

// Receives the click of a command control: its operation code and its window.
using Dispatcher = std::function<void(int code, HWND control)>;

// A group box that hands its children's clicks (WM_COMMAND with notification 0) to `dispatch`
// and answers every WM_COMMAND itself; static children paint on the page's background.
HWND make_group(HWND parent, std::wstring_view caption, RECT place, const Dispatcher* dispatch);

// A tab page: a hidden child window on the face colour that holds the page's group boxes; with
// themes on, it paints the tab's themed background behind them.
HWND make_page(HWND parent, RECT place);

// Paints a window's pending changes and puts them on the screen at once, before an operation
// blocks the message loop.
void paint_now(HWND window);

// Enables or disables a control and repaints it at once: operations block the message loop,
// and the user must see what they disabled.
void enable_now(HWND control, bool enabled);

inline RECT rect_at(int x, int y, int width, int height) {
  return {x, y, x + width, y + height};
}

}  // namespace tk52::win32

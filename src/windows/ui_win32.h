// Shared drawing state and small builders for the program's windows: the instance, the GUI
// font and its metrics, controls created with that font, and group boxes that forward their
// children's clicks to the operation dispatcher.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

namespace tk52::win32 {

struct Ui {
  HINSTANCE instance = nullptr;
  HFONT font = nullptr;
  int line_height = 0;  // the font's character height
  HWND main_window = nullptr;
};

Ui& ui();

// Reads the GUI font's metrics; call once at start-up.
bool init_ui(HINSTANCE instance);

// The size of a text in the GUI font.
SIZE text_size(std::wstring_view text);

// Creates a child control with the GUI font; null on failure.
HWND make_control(const wchar_t* class_name, std::wstring_view text, DWORD style, RECT place,
                  HWND parent, int id, DWORD ex_style = 0);

// Receives the click of a command control: its operation code and its window.
using Dispatcher = std::function<void(int code, HWND control)>;

// A group box that hands its children's clicks (WM_COMMAND with notification 0) to `dispatch`
// and answers every WM_COMMAND itself; static children paint on the page's background.
HWND make_group(HWND parent, std::wstring_view caption, RECT place, const Dispatcher* dispatch);

// A tab page: a hidden child window on the face colour that holds the page's group boxes.
HWND make_page(HWND parent, RECT place);

// Enables or disables a control and repaints it at once: operations block the message loop,
// and the user must see what they disabled.
void enable_now(HWND control, bool enabled);

inline RECT rect_at(int x, int y, int width, int height) {
  return {x, y, x + width, y + height};
}

}  // namespace tk52::win32

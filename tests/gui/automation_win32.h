// Drives a running tk52cfg.exe from another process the way an operator would: finds its
// windows, reads and sets controls, clicks buttons, answers message boxes, and takes pictures
// of the screen. Every wait is for a condition, polled, with a bound.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gui {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kBound = 15s;
inline constexpr std::chrono::milliseconds kPoll = 25ms;

// Polls condition every kPoll until it holds or bound has passed; the last answer.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds bound = kBound);

std::wstring environment(const wchar_t* name);
std::string to_cp1251(std::wstring_view text);
std::string to_utf8(std::wstring_view text);

// Texts and states of another process's controls.
std::wstring text_of(HWND window);
std::wstring class_of(HWND window);
bool enabled(HWND window);
int combo_count(HWND combo);
std::wstring combo_item(HWND combo, int index);
std::vector<std::wstring> combo_items(HWND combo);
int combo_selection(HWND combo);
// Selects an item as a mouse pick would: the selection, then CBN_SELCHANGE to the parent.
bool combo_select(HWND combo, int index);
bool combo_select_text(HWND combo, std::wstring_view text);

// Clicks a button and waits until the click has been handled; false when it was not (a
// greyed button, or a message box opened meanwhile).
bool click(HWND button);
// Waits for clicks that were still being handled when click() returned.
void finish_clicks();
// Posts the click and returns at once.
void post_click(HWND button);

// Direct children of parent with this identifier, left to right, top to bottom.
std::vector<HWND> children_with_id(HWND parent, int id);
// Every window under `parent`, at any depth, appended to `out`.
void descendants(HWND parent, std::vector<HWND>& out);
// A descendant of root that is a group box with this caption (and, when given, a child with
// this identifier: captions repeat across pages).
HWND find_group(HWND root, std::wstring_view caption, int child_id = 0);
HWND child(HWND parent, int id);

// Top-level windows of a process.
std::vector<HWND> top_windows(DWORD process, std::wstring_view class_name = {});

struct MessageBoxView {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
};
// Visible dialog-class windows of the process (message boxes and common dialogs).
std::vector<HWND> dialogs(DWORD process);
std::optional<MessageBoxView> wait_message_box(DWORD process,
                                               std::chrono::milliseconds bound = kBound);
// Presses one of the box's buttons (IDOK, IDYES, IDNO...) and waits until the box is gone.
bool answer(const MessageBoxView& box, int button);

// One run of the configurator.
class Program {
 public:
  // Started in `folder` when given, else in the program's own folder.
  explicit Program(std::wstring exe, std::wstring folder = {})
      : exe_(std::move(exe)), folder_(std::move(folder)) {}
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts it and waits for its main window. False when either fails.
  bool start();
  // Closes the main window as its close box does and waits for the process to end.
  // Returns the exit code, or nothing when it did not end within the bound (it is then killed).
  std::optional<DWORD> close();
  void kill();
  bool running() const;

  DWORD process_id() const { return info_.dwProcessId; }
  HANDLE process() const { return info_.hProcess; }
  HWND main() const { return main_; }
  // Waits until the user interface thread has handled everything sent so far.
  bool settle() const;

  // Main window parts.
  HWND tab() const;
  bool show_tab(int index) const;
  bool menu_command(int id) const;
  // Picks an item of the menu bar with the keyboard, as F10, arrows and Enter do: the
  // popup at bar position `popup` (0 first), its first item. True once the menu has closed.
  bool pick_from_menu(int popup) const;
  bool in_menu() const;
  HWND port_window() const;
  // Status-bar texts: part 0 is owner-drawn (its data is the text), part 2 ordinary.
  std::optional<std::wstring> connection_text() const;
  std::optional<std::wstring> status_text() const;

 private:
  std::wstring exe_;
  std::wstring folder_;
  PROCESS_INFORMATION info_{};
  HWND main_ = nullptr;
};

// Screen pictures, one BMP per call, into the folder named by TK52_GUI_SHOTS.
void screenshot(const std::string& name);

// A window's pixels as the screen shows them (0x00RRGGBB, rows top to bottom), once the program
// has painted everything it had to and two pictures in a row agree; empty when they never do.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> rgb;
  bool operator==(const Pixels&) const = default;
};
Pixels settled_pixels(HWND window, bool client_only = false);
// Tells a top-level window of another process that it now lies on a display of `dpi`, as the
// system does when it is moved to such a monitor, with the place suggested for it.
bool send_dpi_changed(HWND window, int dpi, const RECT& suggested);
// The screen's pixels in `area` now.
Pixels pixels_of(const RECT& area);

// Exit code of a second start of exe: waits for it to end.
std::optional<DWORD> run_to_end(const std::wstring& exe, std::chrono::milliseconds bound = kBound);

// Files.
std::optional<std::string> read_file(const std::wstring& path);
std::wstring folder_of(const std::wstring& path);

}  // namespace gui

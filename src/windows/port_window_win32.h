// The port selection window: a combo box of the PC's serial ports, "Сканировать" to rebuild it
// and "ОК" to close. It is created hidden once, kept for the program's life and only shown and
// hidden; while shown, its owner is disabled, so it behaves like a modal dialog without a
// nested message loop of its own.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ports/port_list.h"

namespace tk52 {

struct PortChoice {
  std::string name;  // UTF-8, such as "COM3"
  int number = 0;
};

class PortWindow {
 public:
  static constexpr const wchar_t* kClassName = L"PORTWINDOW_CLASS_TK52CFG";

  // Failures of create, numbered as the program's start-up exit codes.
  static constexpr int kClassNotRegistered = 3;
  static constexpr int kWindowNotCreated = 4;
  static constexpr int kListNotCreated = 5;

  // Creates the window hidden, owned by owner, with every control in font, and fills the list.
  // Each fill preselects the port whose name remembered_port returns at that moment, so a port
  // remembered by a later connect is the one a rescan keeps. Returns null and sets error_code
  // on failure, else 0. The object belongs to its window and is deleted when the window is
  // destroyed, which the owner's destruction does.
  static PortWindow* create(HINSTANCE instance, HWND owner, HFONT font,
                            std::function<std::string()> remembered_port, int& error_code);

  PortWindow(const PortWindow&) = delete;
  PortWindow& operator=(const PortWindow&) = delete;

  // Centres the window over its owner, shows it, and puts the mouse cursor and the focus on the
  // port list.
  void show();

  HWND hwnd() const { return window_; }
  // The three controls in their keyboard order: list, "ОК", scan.
  std::vector<HWND> tab_ring() const { return {list_, ok_, scan_}; }

  // The port last chosen; nothing while the list is empty.
  std::optional<PortChoice> current_port() const { return current_; }

 private:
  PortWindow(HWND owner, HFONT font, std::function<std::string()> remembered_port);

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK control_procedure(HWND control, UINT message, WPARAM wparam,
                                            LPARAM lparam, UINT_PTR id, DWORD_PTR self);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

  bool create_controls(HINSTANCE instance);
  HWND add_control(HINSTANCE instance, const wchar_t* class_name, const wchar_t* caption,
                   DWORD style, DWORD ex_style, int id, const RECT& place);
  void fill();
  void choose(int index);
  void on_command(int id, int code);
  void on_show(bool shown);

  HWND window_ = nullptr;
  HWND owner_;
  HFONT font_;
  HWND list_ = nullptr;
  HWND scan_ = nullptr;
  HWND ok_ = nullptr;
  // Until create succeeds the object is create's to delete; afterwards it is the window's.
  bool owned_by_window_ = false;
  std::function<std::string()> remembered_port_;
  PortList ports_;
  std::optional<PortChoice> current_;
};

}  // namespace tk52

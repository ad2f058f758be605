// Shows a running tk52cfg.exe at work for scripts/run.sh on a display nobody watches: connects it
// to the clock, reads the link journal, lets the synchronisation page run, and takes a picture of
// each page into the folder named by TK52_GUI_SHOTS. The program keeps running afterwards.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "automation_win32.h"

namespace {

using namespace std::chrono_literals;

constexpr int kConnect = 0x1001;
constexpr int kSynchroniseNow = 0x100D;
constexpr int kReadWhole = 0x1012;
constexpr int kCount = 0x1013;
constexpr int kDifferenceField = 0x2303;

bool show_tab(HWND main, int index) {
  HWND tab = FindWindowExW(main, nullptr, WC_TABCONTROLW, nullptr);
  DWORD_PTR ignored = 0;
  return tab != nullptr && SendMessageTimeoutW(tab, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0,
                                               SMTO_NORMAL, 15000, &ignored) != 0;
}

int fail(const char* what) {
  std::fprintf(stderr, "tk52_demo: %s\n", what);
  return 1;
}

}  // namespace

int wmain() {
  // The main window exists before its pages do: wait until it shows, whole.
  HWND main = nullptr;
  HWND connect = nullptr;
  if (!gui::wait_until(
          [&] {
            main = FindWindowW(L"MAINWINDOW_CLASS_TK52CFG", nullptr);
            connect = main != nullptr && IsWindowVisible(main)
                          ? gui::child(gui::find_group(main, L"Скорость передачи данных", kConnect),
                                       kConnect)
                          : nullptr;
            return connect != nullptr;
          },
          60s)) {
    return fail("the program's window did not show");
  }
  if (gui::text_of(connect) == L"Соединить" && !gui::click(connect))
    return fail("connecting ended with a message (is the clock on COM5?)");
  if (!gui::wait_until([&] { return gui::text_of(connect) == L"Разъединить"; }))
    return fail("the program did not connect");
  gui::screenshot("configuration");

  // The journals page exists for the models that keep journals.
  HWND commands = gui::find_group(main, L"Команды", kReadWhole);
  if (show_tab(main, 3) && commands != nullptr && IsWindowVisible(commands)) {
    HWND read = gui::child(commands, kReadWhole);
    if (!gui::click(read) ||
        !gui::wait_until([&] { return gui::enabled(gui::child(commands, kCount)); }, 180s)) {
      return fail("the journal was not read");
    }
    gui::screenshot("journals");
  }

  show_tab(main, 2);
  HWND sync = gui::find_group(main, L"Синхронизация", kSynchroniseNow);
  HWND difference = gui::child(sync, kDifferenceField);
  if (!gui::wait_until([&] { return !gui::text_of(difference).empty(); }, 20s))
    return fail("the synchronisation page shows no time (time stamp format ТК-52?)");
  gui::screenshot("synchronisation");
  return 0;
}

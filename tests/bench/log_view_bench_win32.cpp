// Figures of the log view under Windows (or Wine): the working set while 100,000 traffic-log
// lines are appended through the view (it must stay flat: the view keeps only its line index),
// and the time to paint a full page.
#include <windows.h>
// psapi.h needs the types windows.h declares.
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "log/traffic_log.h"
#include "windows/log_view_win32.h"

namespace {

double working_set_mb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
}

}  // namespace

int wmain() {
  // Figures go out as they come, even into a pipe.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND frame = CreateWindowExW(0, L"STATIC", L"log view figures", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 900, 700, nullptr, nullptr, instance, nullptr);
  HWND view = tk52::win32::create_log_view(frame, instance, 1, {0, 0, 880, 660}, false);
  if (view == nullptr) {
    std::puts("the log view could not be made");
    return 1;
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / L"tk52_log_view_bench.txt";
  std::filesystem::remove(path);
  SendMessageW(view, tk52::win32::kOpenFile, 0, reinterpret_cast<LPARAM>(&path));

  const tk52::CalendarTime at{2026, 12, 4, 10, 12, 0, 0, 0};
  const std::string sentence = "$PKEXT,120000.00,10,12,2026,A,08,0C62*60\r\n";
  std::printf("working set before: %.1f MB\n", working_set_mb());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= 100000; ++i) {
    tk52::win32::post_line(
        view, tk52::format_sentence_line(sentence.data(), sentence.size(), at, true, true));
    if (i % 1000 == 0)
      pump();
    if (i % 20000 == 0)
      std::printf("after %6d lines: working set %.1f MB\n", i, working_set_mb());
  }
  pump();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("100,000 lines appended through the view in %.2f s (%.1f us a line)\n", seconds,
              seconds * 1e6 / 100000);

  // A full page: invalidate and paint at once, averaged.
  const int paints = 50;
  const auto paint_start = std::chrono::steady_clock::now();
  for (int i = 0; i < paints; ++i) {
    InvalidateRect(view, nullptr, FALSE);
    UpdateWindow(view);
  }
  const double paint_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - paint_start)
          .count() /
      paints;
  std::printf("painting a full page (%d rows): %.2f ms\n", 660 / 15, paint_ms);
  DestroyWindow(frame);
  std::filesystem::remove(path);
  return 0;
}

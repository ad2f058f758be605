// Log viewer windows: any saved traffic log or event journal, or the live "journal.txt", shown
// read-only in a top-level window of its own with the traffic log's colours. At most five are
// open at a time.
#pragma once

#include <windows.h>

#include <filesystem>

namespace tk52::win32 {

inline constexpr wchar_t kViewerClass[] = L"JOURNALWINDOW_CLASS_TK52CFG";
inline constexpr int kMaxViewers = 5;  // MessageId::kTooManyViewers says this number

// What open_viewer did.
enum class ViewerResult {
  kNotOpened = 0,  // the limit, a window that could not be made, or a file that could not be
                   // opened: the user was told
  kOpened = 1,
  kNoClass = 3,  // the window class could not be registered
};

// Opens a viewer of `path`, owned by `owner` (the main window).
ViewerResult open_viewer(HWND owner, const std::filesystem::path& path);

// "Загрузить журнал": an open dialog for a text file, then a viewer of the chosen file.
void load_log(HWND owner);

// How many viewers are open now.
int open_viewer_count();

}  // namespace tk52::win32

#include "windows/viewer_window_win32.h"

#include <commdlg.h>

#include <iterator>
#include <string>

#include "windows/control_ids.h"
#include "windows/log_view_win32.h"
#include "windows/ui_win32.h"

namespace tk52::win32 {
namespace {

int g_open_viewers = 0;

// Messages of the viewers stay on top of every window and hold the whole program until read.
void tell(HWND owner, MessageId id) {
  message_box(owner, {.id = id}, MB_OK | MB_TOPMOST | MB_TASKMODAL);
}

LRESULT CALLBACK viewer_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE: {
      // The view covers the whole client area.
      if (auto view = reinterpret_cast<HWND>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
        MoveWindow(view, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      }
      return 0;
    }
    case WM_DESTROY:
      // Only a window that was counted carries its view as user data.
      if (GetWindowLongPtrW(window, GWLP_USERDATA) != 0 && g_open_viewers > 0)
        --g_open_viewers;
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool register_class() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(ui().instance, kViewerClass, &wc))
    return true;
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = viewer_procedure;
  wc.hInstance = ui().instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kViewerClass;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

int open_viewer_count() {
  return g_open_viewers;
}

ViewerResult open_viewer(HWND owner, const std::filesystem::path& path) {
  if (g_open_viewers >= kMaxViewers) {
    tell(nullptr, MessageId::kTooManyViewers);
    return ViewerResult::kNotOpened;
  }
  if (!register_class())
    return ViewerResult::kNoClass;
  HWND window = CreateWindowExW(
      0, kViewerClass, path.c_str(),
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
      CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, owner, nullptr, ui().instance, nullptr);
  if (window == nullptr) {
    tell(owner, MessageId::kWindowNotCreated);
    return ViewerResult::kNotOpened;
  }
  RECT client{};
  GetClientRect(window, &client);
  HWND view = create_log_view(window, ui().instance, ids::kViewerLogView, client, true);
  if (view == nullptr) {
    DestroyWindow(window);
    tell(owner, MessageId::kWindowNotCreated);
    return ViewerResult::kNotOpened;
  }
  SendMessageW(view, kSetFollow, 0, 0);
  const auto result =
      static_cast<LogResult>(SendMessageW(view, kOpenFile, 0, reinterpret_cast<LPARAM>(&path)));
  MessageId failure = MessageId::kNone;
  switch (result) {
    case LogResult::kNoState:
      failure = MessageId::kEmptyLogFile;
      break;
    case LogResult::kCannotOpen:
      failure = MessageId::kFileNotOpened;
      break;
    case LogResult::kAlreadyOpen:
      failure = MessageId::kLogFileAlreadyOpen;
      break;
    default:
      break;
  }
  if (failure != MessageId::kNone) {
    DestroyWindow(window);
    tell(owner, failure);
    return ViewerResult::kNotOpened;
  }
  ShowWindow(view, SW_SHOW);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  ShowWindow(window, SW_SHOWDEFAULT);
  ++g_open_viewers;
  return ViewerResult::kOpened;
}

void load_log(HWND owner) {
  wchar_t name[1024] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"Текстовые файлы (*.txt)\0*.txt\0\0";
  dialog.lpstrFile = name;
  dialog.nMaxFile = static_cast<DWORD>(std::size(name));
  dialog.lpstrTitle = L"Загрузить журнал";
  dialog.lpstrDefExt = L"txt";
  dialog.Flags =
      OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING | OFN_EXPLORER;
  if (!GetOpenFileNameW(&dialog))
    return;
  open_viewer(owner, std::filesystem::path(name));
}

}  // namespace tk52::win32

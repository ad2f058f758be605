#include "windows/about_box_win32.h"

#include <cwchar>
#include <vector>

#include "../../resources/resource_ids.h"

namespace tk52::win32 {
namespace {

constexpr wchar_t kPictureProperty[] = L"#P_ABOUTDLG_PICTURE";
constexpr int kPictureAt = 8;
constexpr int kPictureSize = 64;

// The version line comes from the file's own version resource, so it always names the
// executable that is running, whatever build produced it. The line keeps the template's text
// when the resource cannot be read.
void show_version(HWND dialog) {
  wchar_t path[512] = {};
  if (GetModuleFileNameW(nullptr, path, 512) == 0)
    return;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0)
    return;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data()))
    return;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return;
  }
  wchar_t line[64] = {};
  std::swprintf(line, 64, L"Версия %lu.%lu.%lu.%lu",
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)));
  SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, line);
}

INT_PTR CALLBACK about_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
      // At the icon's own size: the box scales it to 64 by 64 when it paints.
      HANDLE picture = LoadImageW(instance, MAKEINTRESOURCEW(IDI_ABOUT_PICTURE), IMAGE_ICON, 0, 0,
                                  LR_LOADTRANSPARENT);
      if (picture != nullptr)
        SetPropW(dialog, kPictureProperty, picture);
      show_version(dialog);
      return TRUE;
    }
    case WM_PAINT: {
      // Painting the dialog itself is only its background, which BeginPaint has erased; the
      // picture goes on top of it.
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      if (auto* picture = static_cast<HICON>(GetPropW(dialog, kPictureProperty))) {
        DrawIconEx(dc, kPictureAt, kPictureAt, picture, kPictureSize, kPictureSize, 0, nullptr,
                   DI_NORMAL);
      }
      EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_COMMAND:
      // Esc (IDCANCEL) closes it as well, so that the keyboard alone can leave the box.
      if (LOWORD(wparam) == IDC_ABOUT_CLOSE || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      if (auto* picture = static_cast<HICON>(RemovePropW(dialog, kPictureProperty)))
        DestroyIcon(picture);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void show_about_box(HINSTANCE instance, HWND owner) {
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, about_procedure, 0);
}

}  // namespace tk52::win32

#include "windows/numeric_field_win32.h"

#include <commctrl.h>

#include <string>

#include "platform/win32_text.h"
#include "windows/ui_win32.h"

namespace tk52::win32 {
namespace {

struct Limits {
  int minimum;
  int maximum;
};

// Nothing, or decimal digits whose value lies within the limits.
bool acceptable(const std::wstring& text, const Limits& limits, bool allow_empty) {
  if (text.empty())
    return allow_empty;
  if (text.size() > 9)
    return false;
  int value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9')
      return false;
    value = value * 10 + (c - L'0');
  }
  return value >= limits.minimum && value <= limits.maximum;
}

LRESULT CALLBACK numeric_procedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                   DWORD_PTR data) {
  auto* limits = reinterpret_cast<Limits*>(data);
  switch (message) {
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR: {
      const std::wstring before = window_text(edit);
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      if (!acceptable(window_text(edit), *limits, true)) {
        SetWindowTextW(edit, before.c_str());
        const auto end = static_cast<WPARAM>(before.size());
        SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
      }
      return result;
    }
    case WM_KILLFOCUS:
      if (!acceptable(window_text(edit), *limits, false))
        set_number(edit, limits->minimum);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, numeric_procedure, 2);
      delete limits;
      break;
    default:
      break;
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

}  // namespace

void make_numeric(HWND edit, int minimum, int maximum) {
  SetWindowSubclass(edit, numeric_procedure, 2,
                    reinterpret_cast<DWORD_PTR>(new Limits{minimum, maximum}));
}

void set_number(HWND edit, int value) {
  SetWindowTextW(edit, std::to_wstring(value).c_str());
}

}  // namespace tk52::win32

// Text conversions at the edge of the Windows API: the program's texts are UTF-8 inside and
// UTF-16 on screen; log files are Windows-1251, decoded explicitly whatever the ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tk52::win32 {

inline std::wstring decode(std::string_view text, UINT code_page) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), wide);
  return out;
}

inline std::wstring widen(std::string_view utf8) {
  return decode(utf8, CP_UTF8);
}

inline std::string narrow(std::wstring_view wide) {
  if (wide.empty())
    return {};
  const int size = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace tk52::win32

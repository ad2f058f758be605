// The Windows console: wide text through WriteConsoleW, whatever the console's code page.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "terminal.h"

namespace tk52::cli {
namespace {

HANDLE console_handle(std::FILE* stream) {
  const intptr_t handle = _get_osfhandle(_fileno(stream));
  if (handle == -1 || handle == -2)
    return nullptr;
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

bool stream_is_console(std::FILE* stream) {
  DWORD mode = 0;
  HANDLE handle = console_handle(stream);
  return handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

bool stream_is_terminal(std::FILE* stream) {
  return stream_is_console(stream);
}

bool write_console(std::FILE* stream, std::string_view utf8) {
  std::fflush(stream);
  HANDLE handle = console_handle(stream);
  if (handle == nullptr)
    return false;
  if (utf8.empty())
    return true;
  const int size = static_cast<int>(utf8.size());
  const int wide_size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (wide_size <= 0)
    return false;
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), wide_size);
  // A console takes a limited amount at a time: write in pieces until all is out.
  const wchar_t* at = wide.data();
  DWORD left = static_cast<DWORD>(wide.size());
  while (left > 0) {
    DWORD written = 0;
    const DWORD piece = left < 8192 ? left : 8192;
    if (!WriteConsoleW(handle, at, piece, &written, nullptr) || written == 0)
      return false;
    at += written;
    left -= written;
  }
  return true;
}

}  // namespace tk52::cli

#include "windows/help_win32.h"

#include <filesystem>
#include <string>

namespace tk52::win32 {
namespace {

constexpr wchar_t kHelpFile[] = L"tkhelp.chm";
// The HTML Help control's class: its registration names the library that implements it.
constexpr wchar_t kHtmlHelpServer[] =
    L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpOrdinal = 15;  // HtmlHelpW
constexpr UINT kDisplayTopic = 0;      // HH_DISPLAY_TOPIC

using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

HtmlHelpFunction entry_of(HMODULE library) {
  if (library == nullptr)
    return nullptr;
  return reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
}

std::wstring registered_library() {
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  // RRF_RT_REG_SZ with REG_EXPAND_SZ allowed: RegGetValueW expands %SystemRoot% and the like.
  if (RegGetValueW(HKEY_CLASSES_ROOT, kHtmlHelpServer, nullptr,
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, path, &size) != ERROR_SUCCESS) {
    return {};
  }
  return path;
}

// Taken once, at the first request, and kept for the program's life.
HtmlHelpFunction html_help() {
  static const HtmlHelpFunction entry = [] {
    HtmlHelpFunction found = nullptr;
    if (const std::wstring path = registered_library(); !path.empty())
      found = entry_of(LoadLibraryW(path.c_str()));
    if (found == nullptr)
      found = entry_of(LoadLibraryW(L"hhctrl.ocx"));
    return found;
  }();
  return entry;
}

// The help file lives beside the program; HTML Help would look for a bare name in the current
// folder, which is the program's own only when it was started from there.
std::wstring help_file() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return kHelpFile;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::error_code error;
  const std::filesystem::path beside = std::filesystem::path(path).replace_filename(kHelpFile);
  if (!std::filesystem::exists(beside, error))
    return kHelpFile;
  return beside.wstring();
}

}  // namespace

void show_help(HWND owner) {
  if (const HtmlHelpFunction entry = html_help())
    entry(owner, help_file().c_str(), kDisplayTopic, 0);
}

}  // namespace tk52::win32

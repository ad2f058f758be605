#include "windows/profile_files_win32.h"

#include <commdlg.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

#include "pages/configuration/configuration_operations.h"
#include "pages/configuration/configuration_profile.h"
#include "platform/win32_text.h"
#include "windows/ui_win32.h"

namespace tk52 {
namespace {

constexpr wchar_t kFilter[] = L"Файлы конфигурации (*.json)\0*.json\0Все файлы (*.*)\0*.*\0\0";
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string utc_now_iso() {
  SYSTEMTIME t{};
  GetSystemTime(&t);
  char text[64];
  std::snprintf(text, sizeof text, "%.4u-%.2u-%.2uT%.2u:%.2u:%.2uZ", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

// The open or save dialog for a profile (`flags` tell which): the name chosen, or nothing.
std::wstring ask_file_name(HWND owner, const wchar_t* title, DWORD flags) {
  wchar_t name[1024] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = name;
  dialog.nMaxFile = static_cast<DWORD>(std::size(name));
  dialog.lpstrTitle = title;
  dialog.lpstrDefExt = L"json";
  dialog.Flags = flags;
  const bool chosen = (flags & OFN_FILEMUSTEXIST) != 0 ? GetOpenFileNameW(&dialog) != 0
                                                       : GetSaveFileNameW(&dialog) != 0;
  return chosen ? std::wstring(name) : std::wstring();
}

}  // namespace

void save_configuration_profile(HWND owner, const ConfigurationOperations& operations) {
  const std::string profile = operations.save_profile(utc_now_iso());
  if (profile.empty()) {
    win32::message_box(owner, {.id = MessageId::kNoModelForProfile});
    return;
  }
  const std::wstring name =
      ask_file_name(owner, L"Сохранить конфигурацию как...",
                    OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_EXPLORER);
  if (name.empty())
    return;
  const File file(_wfopen(name.c_str(), L"wb"), &std::fclose);
  const bool written =
      file && std::fwrite(profile.data(), 1, profile.size(), file.get()) == profile.size() &&
      std::fflush(file.get()) == 0;
  if (!written)
    win32::message_box(owner, {.id = MessageId::kFileNotSaved});
}

void load_configuration_profile(HWND owner, ConfigurationOperations& operations) {
  const std::wstring name =
      ask_file_name(owner, L"Загрузить конфигурацию",
                    OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER);
  if (name.empty())
    return;
  const ProfileFile file = read_profile_file(name);
  if (!file.refusal.empty()) {
    win32::message_box(owner, {.id = MessageId::kProfileRefused, .detail = file.refusal});
    return;
  }
  if (const Outcome loaded = operations.load_profile(file.text); !loaded.ok())
    win32::message_box(owner, loaded.message);
}

}  // namespace tk52

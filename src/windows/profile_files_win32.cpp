#include "windows/profile_files_win32.h"

#include <commdlg.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

#include "pages/configuration/configuration_operations.h"
#include "platform/win32_text.h"

namespace tk52 {
namespace {

constexpr wchar_t kFilter[] = L"Файлы конфигурации (*.json)\0*.json\0Все файлы (*.*)\0*.*\0\0";
// A profile is a few hundred bytes: anything near this is not one.
constexpr std::size_t kLargestProfile = 1 << 20;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

void show_error(HWND owner, const std::wstring& text) {
  MessageBoxW(owner, text.c_str(), L"Ошибка!", MB_ICONERROR | MB_TASKMODAL);
}

std::string utc_now_iso() {
  SYSTEMTIME t{};
  GetSystemTime(&t);
  char text[64];
  std::snprintf(text, sizeof text, "%.4u-%.2u-%.2uT%.2u:%.2u:%.2uZ", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

}  // namespace

void save_configuration_profile(HWND owner, const ConfigurationOperations& operations) {
  const std::string profile = operations.save_profile(utc_now_iso());
  if (profile.empty()) {
    show_error(owner, win32::widen(kNoModelForProfile));
    return;
  }
  wchar_t name[1024] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = name;
  dialog.nMaxFile = static_cast<DWORD>(std::size(name));
  dialog.lpstrTitle = L"Сохранить конфигурацию как...";
  dialog.lpstrDefExt = L"json";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
  if (!GetSaveFileNameW(&dialog))
    return;
  const File file(_wfopen(name, L"wb"), &std::fclose);
  const bool written =
      file && std::fwrite(profile.data(), 1, profile.size(), file.get()) == profile.size() &&
      std::fflush(file.get()) == 0;
  if (!written)
    show_error(owner, L"Не удалось сохранить файл.");
}

void load_configuration_profile(HWND owner, ConfigurationOperations& operations) {
  wchar_t name[1024] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = name;
  dialog.nMaxFile = static_cast<DWORD>(std::size(name));
  dialog.lpstrTitle = L"Загрузить конфигурацию";
  dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER;
  if (!GetOpenFileNameW(&dialog))
    return;
  const File file(_wfopen(name, L"rb"), &std::fclose);
  if (!file) {
    show_error(owner, L"Не удалось открыть файл.");
    return;
  }
  std::string text;
  char block[4096];
  std::size_t got = 0;
  while (text.size() <= kLargestProfile &&
         (got = std::fread(block, 1, sizeof block, file.get())) > 0) {
    text.append(block, got);
  }
  if (std::ferror(file.get()) != 0) {
    show_error(owner, L"Не удалось открыть файл.");
    return;
  }
  if (text.size() > kLargestProfile)
    text.clear();  // refused below as no profile at all
  if (const auto refused = operations.load_profile(text))
    show_error(owner, win32::widen(*refused));
}

}  // namespace tk52

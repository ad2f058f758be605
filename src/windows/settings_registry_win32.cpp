#include "windows/settings_registry_win32.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace tk52::win32 {
namespace {

constexpr wchar_t kKey[] = L"Software\\Кех\\Конфигуратор радиочасов КЕХ ТК-52\\";
// Room for "COM256": the program offers every port up to COM256, and a remembered name must
// never be cut or overflow its field.
constexpr DWORD kPortNameCapacity = 16;

}  // namespace

Settings read_settings() {
  Settings settings;
  settings.speed_position = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return settings;
  wchar_t name[kPortNameCapacity] = {};
  DWORD size = sizeof name - sizeof(wchar_t);  // always leaves a terminator
  DWORD type = 0;
  if (RegQueryValueExW(key, L"ComPort", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    const std::string port = narrow(name);
    if (valid_port_name(port) && port.size() <= 6)
      settings.port_name = port;
    DWORD speed = 0;
    size = sizeof speed;
    if (RegQueryValueExW(key, L"BaudRate", nullptr, &type, reinterpret_cast<BYTE*>(&speed),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      settings.speed_position = valid_speed_position(static_cast<int>(speed));
    }
  }
  RegCloseKey(key);
  return settings;
}

void RegistrySettings::save(const Settings& settings) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  const std::wstring name = widen(settings.port_name);
  RegSetValueExW(key, L"ComPort", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                 static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
  const DWORD speed = static_cast<DWORD>(settings.speed_position);
  RegSetValueExW(key, L"BaudRate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&speed),
                 sizeof speed);
  RegCloseKey(key);
}

}  // namespace tk52::win32

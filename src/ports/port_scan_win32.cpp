#include "ports/port_scan_win32.h"

#include <windows.h>
// setupapi.h needs the types of windows.h.
#include <setupapi.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/win32_text.h"

namespace tk52 {
namespace {

using win32::narrow;

// GUID_DEVCLASS_PORTS, spelt out so that no translation unit has to instantiate devguid.h.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct DeviceListCloser {
  void operator()(HDEVINFO devices) const { SetupDiDestroyDeviceInfoList(devices); }
};
using DeviceList = std::unique_ptr<void, DeviceListCloser>;

bool reachable(const std::wstring& name) {
  const std::wstring device = L"\\\\.\\" + name;
  const HANDLE port = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port != INVALID_HANDLE_VALUE) {
    CloseHandle(port);
    return true;
  }
  return GetLastError() == ERROR_ACCESS_DENIED;
}

PortResult add_present_ports(HKEY map, PortList& list) {
  DWORD values = 0;
  DWORD longest_name = 0;
  DWORD longest_data = 0;
  if (RegQueryInfoKeyW(map, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                       &longest_name, &longest_data, nullptr, nullptr) != ERROR_SUCCESS)
    return PortResult::access_denied;
  std::vector<wchar_t> value_name(longest_name + 1);
  // longest_data counts bytes; one more character keeps a value without terminator terminated.
  std::vector<wchar_t> data(longest_data / sizeof(wchar_t) + 2);
  list.clear();
  for (DWORD index = 0;; ++index) {
    auto name_size = static_cast<DWORD>(value_name.size());
    auto data_size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    std::fill(data.begin(), data.end(), L'\0');
    const LSTATUS status = RegEnumValueW(map, index, value_name.data(), &name_size, nullptr,
                                         nullptr, reinterpret_cast<BYTE*>(data.data()), &data_size);
    if (status == ERROR_NO_MORE_ITEMS)
      return PortResult::ok;
    if (status != ERROR_SUCCESS)
      return PortResult::fail;
    const std::wstring port(data.data());
    if (!reachable(port))
      continue;
    const PortResult added = list.add(narrow(port));
    if (added != PortResult::ok)
      return added;
  }
}

std::wstring friendly_name(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  DWORD size = 0;
  SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr, nullptr, 0,
                                    &size);
  if (size == 0)
    return {};
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                         reinterpret_cast<BYTE*>(buffer.data()), size, nullptr))
    return {};
  return std::wstring(buffer.data());
}

// Devices without a "(COMn)" suffix, or whose port was not found present, are passed over.
PortResult add_descriptions(PortList& list) {
  const HDEVINFO present =
      SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_PROFILE);
  if (present == INVALID_HANDLE_VALUE)
    return PortResult::ok;
  const DeviceList devices(present);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices.get(), index, &device); ++index) {
    const auto parsed = parse_friendly_name(narrow(friendly_name(devices.get(), device)));
    if (!parsed)
      continue;
    const PortResult described = list.describe(parsed->number, parsed->description);
    if (described == PortResult::out_of_memory)
      return described;
  }
  return PortResult::ok;
}

PortResult scan(PortList& list) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &opened) !=
      ERROR_SUCCESS)
    return PortResult::access_denied;
  const Key map(opened);
  const PortResult present = add_present_ports(map.get(), list);
  if (present != PortResult::ok)
    return present;
  return add_descriptions(list);
}

}  // namespace

PortResult scan_com_ports(PortList& list) {
  try {
    return scan(list);
  } catch (const std::bad_alloc&) {
    return PortResult::out_of_memory;
  }
}

}  // namespace tk52

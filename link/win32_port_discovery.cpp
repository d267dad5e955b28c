// SystemPortDiscovery on Windows: the registry's list of present COM ports.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "link/device_map_ports.h"
#include "link/system_port_discovery.h"

namespace {
std::string narrow(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

// Every string value of the key, as (name, data); empty when the key is
// missing, as it is while no serial port exists at all.
std::vector<std::pair<std::string, std::string>> deviceMapValues() {
  std::vector<std::pair<std::string, std::string>> values;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return values;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    wchar_t data[256];
    DWORD nameLength = DWORD(std::size(name));
    DWORD dataBytes = sizeof data;
    DWORD type = 0;
    const LONG r = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                   &dataBytes);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;  // too long or not a name: not a port
    // The data need not end in a null character.
    values.emplace_back(narrow(name, int(nameLength)), narrow(data, int(dataBytes / sizeof(wchar_t))));
  }
  ::RegCloseKey(key);
  return values;
}
}  // namespace

std::vector<SerialPortInfo> SystemPortDiscovery::ports() const { return portsFromDeviceMap(deviceMapValues()); }

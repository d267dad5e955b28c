#include "link/device_map_ports.h"

#include <algorithm>
#include <cctype>

namespace {
// "COM3", " com12 " -> "COM3", "COM12"; anything else -> "".
std::string comPortName(std::string data) {
  while (!data.empty() && (data.back() == '\0' || std::isspace(static_cast<unsigned char>(data.back()))))
    data.pop_back();
  std::size_t start = 0;
  while (start < data.size() && std::isspace(static_cast<unsigned char>(data[start]))) ++start;
  data.erase(0, start);
  if (data.size() < 4 || data.size() > 6) return {};
  std::string prefix = data.substr(0, 3);
  for (char& c : prefix) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (prefix != "COM") return {};
  const std::string digits = data.substr(3);
  if (digits[0] == '0' || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return {};
  return prefix + digits;
}
}  // namespace

std::vector<SerialPortInfo> portsFromDeviceMap(const std::vector<std::pair<std::string, std::string>>& values) {
  std::vector<SerialPortInfo> ports;
  for (const auto& [device, data] : values) {
    const std::string name = comPortName(data);
    if (name.empty()) continue;
    if (std::any_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) { return p.path == name; })) continue;
    SerialPortInfo info;
    info.path = name;
    info.description = device;
    ports.push_back(std::move(info));
  }
  sortPorts(ports);
  return ports;
}

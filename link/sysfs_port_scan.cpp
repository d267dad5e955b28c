#include "link/sysfs_port_scan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute, without surrounding blanks; empty
// when it cannot be read.
std::string attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  const auto first = line.find_first_not_of(" \t\r");
  const auto last = line.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

std::string resolved(const fs::path& p) {
  std::error_code ec;
  const fs::path r = fs::weakly_canonical(p, ec);
  return ec ? p.string() : r.string();
}

}  // namespace

void fillUsbAttributes(SerialPortInfo& info, const std::string& sysDevice, const std::string& sysRoot) {
  std::error_code ec;
  const fs::path root = fs::weakly_canonical(sysRoot, ec);
  fs::path dir = fs::weakly_canonical(sysDevice, ec);
  if (ec) return;
  // Walk up to the USB device: the folder that has an idVendor.
  for (; !dir.empty() && dir != root && dir != dir.parent_path(); dir = dir.parent_path()) {
    if (!fs::exists(dir / "idVendor", ec)) continue;
    if (info.description.empty()) info.description = attribute(dir / "product");
    if (info.manufacturer.empty()) info.manufacturer = attribute(dir / "manufacturer");
    if (info.serialNumber.empty()) info.serialNumber = attribute(dir / "serial");
    return;
  }
}

std::map<std::string, std::string> stableNames(const std::string& devRoot) {
  std::map<std::string, std::string> names;
  std::error_code ec;
  const fs::path byId = fs::path(devRoot) / "serial" / "by-id";
  std::vector<fs::path> links;
  for (const auto& entry : fs::directory_iterator(byId, ec)) links.push_back(entry.path());
  std::sort(links.begin(), links.end());
  for (const fs::path& link : links) names.emplace(resolved(link), link.string());
  return names;
}

std::vector<SerialPortInfo> scanSysfsPorts(const std::string& sysRoot, const std::string& devRoot) {
  std::vector<SerialPortInfo> ports;
  const auto names = stableNames(devRoot);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(sysRoot) / "class" / "tty", ec)) {
    const fs::path tty = entry.path();
    std::error_code e;
    if (!fs::exists(tty / "device", e)) continue;  // virtual terminal, pseudo-terminal, console
    if (fs::exists(tty / "type", e) && attribute(tty / "type") == "0") continue;  // no UART there
    SerialPortInfo info;
    info.path = (fs::path(devRoot) / tty.filename()).string();
    if (!fs::exists(info.path, e)) continue;  // no node to open (a container's /dev)
    if (auto it = names.find(resolved(info.path)); it != names.end()) info.stableName = it->second;
    fillUsbAttributes(info, (tty / "device").string(), sysRoot);
    ports.push_back(std::move(info));
  }
  sortPorts(ports);
  return ports;
}

#include "link/port_discovery.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace {

// A path with its symbolic links resolved as far as they exist; the path
// itself when it cannot be resolved.
std::string resolved(const std::string& path) {
  std::error_code ec;
  const auto r = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : r.string();
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "ttyUSB10" -> ("ttyUSB", 10, "ttyUSB10") for counting order.
std::tuple<std::string, long, std::string> countingKey(const std::string& path) {
  const std::string name = baseName(path);
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  long number = -1;
  if (digits < name.size() && name.size() - digits < 9) number = std::stol(name.substr(digits));
  return {name.substr(0, digits), number, path};
}

}  // namespace

std::string SerialPortInfo::summary() const {
  std::string s = stableName.empty() ? path : stableName + " (" + baseName(path) + ")";
  for (const std::string* part : {&description, &manufacturer})
    if (!part->empty()) s += ", " + *part;
  if (!serialNumber.empty()) s += ", serial " + serialNumber;
  return s;
}

const SerialPortInfo* findPort(const std::vector<SerialPortInfo>& ports, const std::string& path) {
  if (path.empty()) return nullptr;
  for (const SerialPortInfo& p : ports)
    if (p.path == path || (!p.stableName.empty() && p.stableName == path)) return &p;
  // Another link to the same node (/dev/serial/by-path/..., a udev rule's name).
  const std::string target = resolved(path);
  for (const SerialPortInfo& p : ports)
    if (resolved(p.path) == target) return &p;
  return nullptr;
}

void sortPorts(std::vector<SerialPortInfo>& ports) {
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return countingKey(a.path) < countingKey(b.path);
  });
}

std::string openFailureDetail(const std::string& path, const std::string& reason, const PortMap& map,
                              const std::vector<SerialPortInfo>& present) {
  std::string detail = reason;
  if (detail.find(path) == std::string::npos)
    detail = path + ": " + (reason.empty() ? "cannot be opened." : reason);

  bool anyMapped = false;
  for (int n = 1; n <= PortMap::kPorts && !anyMapped; ++n)
    anyMapped = findPort(present, map.path(n)) != nullptr;
  if (present.empty() || anyMapped) return detail;

  detail += "\n\nSerial devices on this computer, none of them set as COM 1 to COM 4:";
  for (const SerialPortInfo& p : present) detail += "\n  " + p.summary();
  detail += "\nChoose one in Connection > \"Port settings...\".";
  return detail;
}

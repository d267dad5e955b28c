#include "link/system_port_discovery.h"

#include <filesystem>
#include <optional>

#include "link/sysfs_port_scan.h"

#ifdef TQ_HAVE_LIBUDEV
#include <libudev.h>
#endif

namespace {

#ifdef TQ_HAVE_LIBUDEV
// The database that udevd keeps; without the daemon there is none, and its
// properties (by-id links, names from the hardware database) are missing.
bool udevDatabasePresent() {
  std::error_code ec;
  return std::filesystem::is_directory("/run/udev/data", ec);
}

std::string property(udev_device* d, const char* name) {
  const char* v = udev_device_get_property_value(d, name);
  return v ? std::string(v) : std::string();
}

std::optional<std::vector<SerialPortInfo>> udevPorts() {
  udev* u = udev_new();
  if (!u) return std::nullopt;
  udev_enumerate* e = udev_enumerate_new(u);
  if (!e || udev_enumerate_add_match_subsystem(e, "tty") < 0 || udev_enumerate_scan_devices(e) < 0) {
    if (e) udev_enumerate_unref(e);
    udev_unref(u);
    return std::nullopt;
  }
  std::vector<SerialPortInfo> ports;
  const auto byId = stableNames();
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
    udev_device* d = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
    if (!d) continue;
    const char* node = udev_device_get_devnode(d);
    udev_device* parent = udev_device_get_parent(d);  // owned by d
    const char* type = udev_device_get_sysattr_value(d, "type");
    std::error_code ec;
    if (node && parent && !(type && std::string(type) == "0") && std::filesystem::exists(node, ec)) {
      SerialPortInfo info;
      info.path = node;
      // The device's own strings first, then the hardware database's names.
      fillUsbAttributes(info, udev_device_get_syspath(parent));
      if (info.description.empty()) info.description = property(d, "ID_MODEL_FROM_DATABASE");
      if (info.manufacturer.empty()) info.manufacturer = property(d, "ID_VENDOR_FROM_DATABASE");
      if (info.serialNumber.empty()) info.serialNumber = property(d, "ID_SERIAL_SHORT");
      const std::string links = property(d, "DEVLINKS");
      for (std::size_t pos = 0; pos < links.size();) {
        std::size_t end = links.find(' ', pos);
        if (end == std::string::npos) end = links.size();
        const std::string link = links.substr(pos, end - pos);
        if (link.rfind("/dev/serial/by-id/", 0) == 0) {
          info.stableName = link;
          break;
        }
        pos = end + 1;
      }
      if (info.stableName.empty())
        if (auto it = byId.find(info.path); it != byId.end()) info.stableName = it->second;
      ports.push_back(std::move(info));
    }
    udev_device_unref(d);
  }
  udev_enumerate_unref(e);
  udev_unref(u);
  sortPorts(ports);
  return ports;
}
#endif

}  // namespace

std::vector<SerialPortInfo> SystemPortDiscovery::ports() const {
#ifdef TQ_HAVE_LIBUDEV
  if (udevDatabasePresent())
    if (auto found = udevPorts()) return *found;
#endif
  return scanSysfsPorts();
}

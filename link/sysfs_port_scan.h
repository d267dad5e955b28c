#pragma once
// Serial devices read straight from the kernel's sysfs and /dev, for systems
// without a device database (containers, minimal installs). The roots are
// parameters so that tests scan a tree of their own.

#include <map>
#include <string>
#include <vector>

#include "link/port_discovery.h"

// Every tty that sits on real hardware: virtual terminals and
// pseudo-terminals have no device, and a serial-core port whose UART type is
// 0 has no chip behind it, and one without a node in devRoot cannot be opened.
// Stable names come from devRoot/serial/by-id.
std::vector<SerialPortInfo> scanSysfsPorts(const std::string& sysRoot = "/sys",
                                           const std::string& devRoot = "/dev");

// Fills the empty description, manufacturer and serial number from the USB
// device that sysDevice (a sysfs folder) belongs to, if any.
void fillUsbAttributes(SerialPortInfo& info, const std::string& sysDevice,
                       const std::string& sysRoot = "/sys");

// The links below devRoot/serial/by-id, keyed by the node each resolves to.
std::map<std::string, std::string> stableNames(const std::string& devRoot = "/dev");

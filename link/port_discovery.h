#pragma once
// PortDiscovery: the serial devices present on this computer now. The
// system's implementation reads the device database (or the kernel's sysfs
// where there is none); tests hand in a fixed list.

#include <string>
#include <vector>

#include "link/port_map.h"

struct SerialPortInfo {
  std::string path;         // the kernel's device node, /dev/ttyUSB0
  std::string stableName;   // /dev/serial/by-id/... when there is one
  std::string description;  // the product's name, as the device reports it
  std::string manufacturer;
  std::string serialNumber;

  // What a port map should keep: the stable name, which survives plugging
  // the adapter into another socket, or else the kernel's name.
  const std::string& preferredPath() const { return stableName.empty() ? path : stableName; }
  // One line for lists and messages: "STABLE (ttyUSB0), product, maker, serial N".
  std::string summary() const;
};

class PortDiscovery {
 public:
  virtual ~PortDiscovery() = default;
  // Sorted by kernel name, ttyS2 before ttyS10.
  virtual std::vector<SerialPortInfo> ports() const = 0;
};

// The device that path names (its kernel name, its stable name, or a link
// that resolves to either), or null.
const SerialPortInfo* findPort(const std::vector<SerialPortInfo>& ports, const std::string& path);

// Orders devices as people count them: ttyS2 before ttyS10, ttyS before ttyUSB.
void sortPorts(std::vector<SerialPortInfo>& ports);

// The detail text of a failed open of path: the system's reason, naming the
// device, and, when serial devices are present but none of them is any of
// the four ports, a list of them and where to choose one.
std::string openFailureDetail(const std::string& path, const std::string& reason, const PortMap& map,
                              const std::vector<SerialPortInfo>& present);

#pragma once
// FixedPortDiscovery: the tests' discovery, a list that the test sets and
// changes at will (to plug and unplug devices between two refreshes).

#include <vector>

#include "link/port_discovery.h"

class FixedPortDiscovery : public PortDiscovery {
 public:
  FixedPortDiscovery() = default;
  explicit FixedPortDiscovery(std::vector<SerialPortInfo> list) : devices(std::move(list)) {}
  std::vector<SerialPortInfo> ports() const override { return devices; }

  std::vector<SerialPortInfo> devices;
};

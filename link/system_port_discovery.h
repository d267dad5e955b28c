#pragma once
// SystemPortDiscovery: the serial devices of this computer, from the udev
// device database where it is kept, and from sysfs and /dev/serial/by-id
// where it is not (a container, a system without udev).

#include "link/port_discovery.h"

class SystemPortDiscovery : public PortDiscovery {
 public:
  std::vector<SerialPortInfo> ports() const override;
};

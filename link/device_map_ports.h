#pragma once
// The COM ports Windows lists under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: every
// serial driver, built-in UART or USB adapter, enters one value there while
// its port exists, named after the driver's device object ("\Device\Serial0",
// "\Device\VCP0") and holding the port's name ("COM3").

#include <string>
#include <utility>
#include <vector>

#include "link/port_discovery.h"

// The ports of the registry's (value name, value data) pairs: the port name
// as the path, the device object as the description, sorted as people count
// (COM2 before COM10). Values that name no COM port are left out, and so is
// a second entry for the same port.
std::vector<SerialPortInfo> portsFromDeviceMap(const std::vector<std::pair<std::string, std::string>>& values);

#pragma once
// FakePort: a SerialPort open on COM1 over a FakeSerialDevice, for the tests
// that hand a port to ModbusMaster::setPort. The records of the open itself
// (open, line settings, time-outs, purge) are cleared, so a test's script
// shows only what the test did.

#include <memory>

#include "link/port_map.h"
#include "link/serial_port.h"
#include "tests/support/fake_serial_device.h"

class UserPrompt;

struct FakePort {
  explicit FakePort(UserPrompt& prompt) : port(prompt, FakeSerialDevice::factory(script), PortMap()) {
    port.open_com_port(1);
    *script = FakeSerialScript{};
  }

  std::shared_ptr<FakeSerialScript> script = std::make_shared<FakeSerialScript>();
  SerialPort port;
};

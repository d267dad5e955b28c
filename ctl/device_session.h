#pragma once
// DeviceSession: the port, the register transactions and the register image
// of one tq740ctl run. The operations themselves are the window's (ops/).

#include <string>

#include "link/modbus_master.h"
#include "link/serial_port.h"
#include "ops/device_operations.h"

class FrameTrace;
class UserPrompt;

class DeviceSession {
 public:
  DeviceSession(UserPrompt& prompt, const std::string& path, FrameTrace* trace);

  // Opens the port with the module's line settings (messages 2 to 5).
  bool open();

  // What the operations run on; observer may be null.
  DeviceLink link(ops::OperationObserver* observer) { return DeviceLink{m_modbus, m_prompt, observer}; }
  const RegisterImage& image() const { return m_image; }

 private:
  UserPrompt& m_prompt;
  RegisterImage m_image;
  PortMap m_ports;
  SerialPort m_port;
  ModbusMaster m_modbus;
};

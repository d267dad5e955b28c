#include "ctl/device_session.h"

#include "link/posix_serial_device.h"

namespace {
constexpr int kPortNumber = 1;  // the one port of a run, mapped to its path
}  // namespace

DeviceSession::DeviceSession(UserPrompt& prompt, const std::string& path, FrameTrace* trace)
    : m_prompt(prompt),
      m_port(
          prompt, [] { return std::make_unique<PosixSerialDevice>(); }, m_ports),
      m_modbus(m_image, prompt) {
  m_ports.setPath(kPortNumber, path);
  m_port.setPorts(m_ports);
  m_modbus.setPort(&m_port);
  m_modbus.setTrace(trace);
}

bool DeviceSession::open() {
  m_port.open_com_port(kPortNumber);
  return m_port.isOpen();
}

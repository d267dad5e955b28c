#include "link/serial_port.h"

#include <cstring>

#include "link/messages.h"
#include "link/port_discovery.h"
#include "link/user_prompt.h"

namespace {
constexpr const Message& kOpenFailed = messageOf(2);

// The operating system's reason for the detail text of a message box.
std::string reasonOf(const SerialDevice& device) {
  std::string text = device.lastErrorText();
  if (text.empty() && device.lastError() != 0) text = std::strerror(device.lastError());
  return text;
}
}  // namespace

void SerialPort::open_com_port(std::uint8_t n) {
  if (m_nPort != 0) return;  // a port is already open: keep it, say nothing
  m_nPort = n;

  std::unique_ptr<SerialDevice> device = m_factory ? m_factory() : makeSystemSerialDevice();
  if (n < 1 || n > 4 || !device) {
    m_nPort = 0;
    tell(m_prompt, kOpenFailed, {.detail = "There is no port COM" + std::to_string(n) + "."});
    return;
  }
  device->setIoWait(m_wait);
  const std::string path = m_ports.path(n);
  if (!device->open(path)) {
    const std::string detail = openFailureDetail(
        path, reasonOf(*device), m_ports, m_discovery ? m_discovery->ports() : std::vector<SerialPortInfo>{});
    m_hPort.reset();
    m_nPort = 0;
    tell(m_prompt, kOpenFailed, {.detail = detail});
    return;
  }
  m_hPort = std::move(device);
  m_openPath = path;

  const Message* failure = nullptr;
  if (!m_hPort->applyLineSettings())
    failure = &messageOf(3);
  else if (!m_hPort->setTimeouts(kTimeoutMs, kTimeoutMs))
    failure = &messageOf(4);
  else if (!m_hPort->purge())
    failure = &messageOf(5);
  if (!failure) return;  // open: m_nPort = n, m_hPort = the device

  tell(m_prompt, *failure, {.detail = reasonOf(*m_hPort)});
  // Released only after the box is closed, so the port can be tried again at once.
  m_hPort->close();
  m_hPort.reset();
  m_openPath.clear();
  m_nPort = 0;
}

void SerialPort::close_com_port() {
  m_nPort = 0;
  if (m_hPort) m_hPort->close();
  m_hPort.reset();
  m_openPath.clear();
}

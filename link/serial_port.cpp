#include "link/serial_port.h"

#include <cstring>

#include "link/port_discovery.h"
#include "link/user_prompt.h"

namespace {
constexpr const char* kOpenFailed = "message 2\n\nFailed to open port(COM).";
constexpr const char* kLineSettingsFailed = "message 3\n\nFailed to open port(COM).\nSetCommState";
constexpr const char* kTimeoutsFailed = "message 4\n\nFailed to open port(COM).\nSetCommTimeouts";
constexpr const char* kPurgeFailed = "message 5\n\nFailed to open port(COM).\nPurgeComm";

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
    m_prompt.message(kOpenFailed, MsgKind::Error, false, "There is no port COM" + std::to_string(n) + ".");
    return;
  }
  device->setIoWait(m_wait);
  const std::string path = m_ports.path(n);
  if (!device->open(path)) {
    const std::string detail = openFailureDetail(
        path, reasonOf(*device), m_ports, m_discovery ? m_discovery->ports() : std::vector<SerialPortInfo>{});
    m_hPort.reset();
    m_nPort = 0;
    m_prompt.message(kOpenFailed, MsgKind::Error, false, detail);
    return;
  }
  m_hPort = std::move(device);
  m_openPath = path;

  const char* failure = nullptr;
  if (!m_hPort->applyLineSettings())
    failure = kLineSettingsFailed;
  else if (!m_hPort->setTimeouts(kTimeoutMs, kTimeoutMs))
    failure = kTimeoutsFailed;
  else if (!m_hPort->purge())
    failure = kPurgeFailed;
  if (!failure) return;  // open: m_nPort = n, m_hPort = the device

  m_prompt.message(failure, MsgKind::Error, false, reasonOf(*m_hPort));
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

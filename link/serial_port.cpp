#include "link/serial_port.h"

#include <cstring>

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

#ifdef _WIN32
PortMap::PortMap() : m_paths{"COM1", "COM2", "COM3", "COM4"} {}
#else
PortMap::PortMap() : m_paths{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"} {}
#endif

bool PortMap::parseAssignment(const std::string& arg, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const std::size_t eq = arg.find('=');
  if (eq == std::string::npos) return fail("expected N=PATH, got \"" + arg + "\"");
  const std::string number = arg.substr(0, eq);
  const std::string path = arg.substr(eq + 1);
  if (number.size() != 1 || number[0] < '1' || number[0] > '4')
    return fail("port number must be 1 to 4, got \"" + number + "\"");
  if (path.empty()) return fail("empty device path for port " + number);
  setPath(number[0] - '0', path);
  return true;
}

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
  if (!device->open(m_ports.path(n))) {
    const std::string detail = reasonOf(*device);
    m_hPort.reset();
    m_nPort = 0;
    m_prompt.message(kOpenFailed, MsgKind::Error, false, detail);
    return;
  }
  m_hPort = std::move(device);

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
  m_nPort = 0;
}

void SerialPort::close_com_port() {
  m_nPort = 0;
  if (m_hPort) m_hPort->close();
  m_hPort.reset();
}

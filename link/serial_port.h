#pragma once
// SerialPort: the connection to one of the ports COM1 to COM4 (m_nPort,
// m_hPort), opened with the module's fixed line settings and time-outs.

#include <cstdint>
#include <memory>
#include <string>

#include "link/port_map.h"
#include "link/serial_device.h"

class IoWait;
class PortDiscovery;
class UserPrompt;

class SerialPort {
 public:
  static constexpr int kTimeoutMs = 500;

  SerialPort(UserPrompt& prompt, SerialDeviceFactory factory, const PortMap& ports)
      : m_prompt(prompt), m_factory(std::move(factory)), m_ports(ports) {}
  ~SerialPort() { close_com_port(); }

  void open_com_port(std::uint8_t n);
  void close_com_port();

  bool isOpen() const { return m_hPort != nullptr; }
  std::uint8_t portNumber() const { return m_nPort; }
  SerialDevice* device() const { return m_hPort.get(); }
  const PortMap& ports() const { return m_ports; }
  // A new map takes effect at the next open; an open port stays as it is.
  void setPorts(const PortMap& ports) { m_ports = ports; }
  // How the devices opened from now on wait (null: plainly).
  void setIoWait(IoWait* wait) { m_wait = wait; }
  // The device path of the open port (empty when closed).
  const std::string& openPath() const { return m_openPath; }
  // Where a failed open looks for devices to suggest; may be null.
  void setDiscovery(const PortDiscovery* discovery) { m_discovery = discovery; }

 private:
  UserPrompt& m_prompt;
  SerialDeviceFactory m_factory;
  PortMap m_ports;
  const PortDiscovery* m_discovery = nullptr;
  std::string m_openPath;
  std::uint8_t m_nPort = 0;
  std::unique_ptr<SerialDevice> m_hPort;
  IoWait* m_wait = nullptr;
};

#pragma once
// SerialPort: the connection to one of the ports COM1 to COM4 (m_nPort,
// m_hPort), opened with the module's fixed line settings and time-outs.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "link/serial_device.h"

class IoWait;
class UserPrompt;

// Maps port numbers 1..4 to device paths (/dev/ttyS0../dev/ttyS3, on
// Windows COM1..COM4, unless changed with --port N=PATH).
class PortMap {
 public:
  PortMap();
  const std::string& path(int n) const { return m_paths.at(static_cast<std::size_t>(n - 1)); }
  void setPath(int n, std::string path) { m_paths.at(static_cast<std::size_t>(n - 1)) = std::move(path); }
  // Parses "N=PATH"; false when malformed or N is not 1..4.
  bool parseAssignment(const std::string& arg, std::string* error = nullptr);

 private:
  std::array<std::string, 4> m_paths;
};

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
  void setPorts(const PortMap& ports) { m_ports = ports; }
  // How the devices opened from now on wait (null: plainly).
  void setIoWait(IoWait* wait) { m_wait = wait; }

 private:
  UserPrompt& m_prompt;
  SerialDeviceFactory m_factory;
  PortMap m_ports;
  std::uint8_t m_nPort = 0;
  std::unique_ptr<SerialDevice> m_hPort;
  IoWait* m_wait = nullptr;
};

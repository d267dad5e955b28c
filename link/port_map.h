#pragma once
// PortMap: which device each of the port numbers COM 1 to COM 4 opens.
// Starts from /dev/ttyS0 to /dev/ttyS3 (COM1 to COM4 on Windows); the window fills it from its saved
// settings, then from --port N=PATH, which wins for that run.

#include <array>
#include <string>

class PortMap {
 public:
  static constexpr int kPorts = 4;

  PortMap();
  // The built-in device of port n: /dev/ttyS<n-1>, on Windows COMn.
  static std::string defaultPath(int n);

  const std::string& path(int n) const { return m_paths.at(static_cast<std::size_t>(n - 1)); }
  void setPath(int n, std::string path) { m_paths.at(static_cast<std::size_t>(n - 1)) = std::move(path); }
  // Parses "N=PATH"; false when malformed or N is not 1..4. On success the
  // port number goes to *port when given.
  bool parseAssignment(const std::string& arg, std::string* error = nullptr, int* port = nullptr);

  bool operator==(const PortMap&) const = default;

 private:
  std::array<std::string, kPorts> m_paths;
};

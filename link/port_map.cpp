#include "link/port_map.h"

PortMap::PortMap() {
  for (int n = 1; n <= kPorts; ++n) setPath(n, defaultPath(n));
}

std::string PortMap::defaultPath(int n) {
#ifdef _WIN32
  return "COM" + std::to_string(n);
#else
  return "/dev/ttyS" + std::to_string(n - 1);
#endif
}

bool PortMap::parseAssignment(const std::string& arg, std::string* error, int* port) {
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
  if (port) *port = number[0] - '0';
  return true;
}

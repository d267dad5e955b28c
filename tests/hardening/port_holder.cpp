// port_holder PATH: a second configurator in a process of its own. Opens
// PATH as port 1 the way the configurator does and prints "open" or the
// message box it got; then serves commands from standard input, one a line:
// "firmware" runs the firmware query and prints its box, "close" closes the
// port. Ends at the end of its input.

#include <cstdio>
#include <iostream>
#include <string>

#include "link/modbus_master.h"
#include "link/posix_serial_device.h"
#include "link/serial_port.h"
#include "link/user_prompt.h"
#include "model/register_image.h"
#include "model/register_map.h"

namespace {
class PrintingPrompt : public UserPrompt {
 public:
  MsgAnswer message(const std::string& text, MsgKind, bool, const std::string&) override {
    std::string line = text;
    for (char& c : line)
      if (c == '\n') c = '|';
    std::cout << line << std::endl;
    return MsgAnswer::Ok;
  }
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: port_holder PATH\n";
    return 2;
  }
  PrintingPrompt prompt;
  PortMap ports;
  ports.setPath(1, argv[1]);
  SerialPort port(prompt, [] { return std::make_unique<PosixSerialDevice>(); }, ports);
  RegisterImage image;
  ModbusMaster modbus(image, prompt);
  modbus.setPort(&port);

  port.open_com_port(1);
  if (port.isOpen()) std::cout << "open" << std::endl;

  std::string command;
  while (std::getline(std::cin, command)) {
    if (command == "firmware" && port.isOpen()) {
      if (modbus.read_holding_registers(0, 4, true))
        std::cout << "firmware " << productCode(image) << " " << programRevision(image) << std::endl;
    } else if (command == "close") {
      port.close_com_port();
      std::cout << "closed" << std::endl;
    }
  }
  return port.isOpen() ? 0 : 1;
}

#pragma once
// DeviceSession: the port, the register transactions and the register image
// of one tq740ctl run, with the configurator's read and write sequences.
// Every failure has been reported through the prompt when a call returns
// false.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ctl/config_document.h"
#include "link/modbus_master.h"
#include "link/serial_port.h"

class FrameTrace;
class UserPrompt;

// One function 16 transaction of a write and the message of its failure.
struct PlannedWrite {
  std::uint16_t start;
  std::vector<std::uint16_t> values;
  int failMessage;  // 61, 62 or 63
};

// The writes that follow the identity check, in order: registers 4..14,
// 19..29, then in master mode "Normal mode" one record per order. The
// document must have passed validate().
std::vector<PlannedWrite> writePlan(const ConfigDocument& doc);

// Called after each transaction of a long read or write: (done, total).
using Progress = std::function<void(int, int)>;

class DeviceSession {
 public:
  DeviceSession(UserPrompt& prompt, const std::string& path, FrameTrace* trace);

  // Opens the port with the module's line settings (messages 2 to 5).
  bool open();

  // Registers 0..3 (message 66 on failure).
  bool readFirmware(std::int32_t& code, std::string& revision);

  // The configurator's read: (0,15), (19,11), then one record per order.
  // A foreign product code is a question (message 55); a count above
  // kMaxOrders is refused before any order is read (message 56).
  bool readConfiguration(ConfigDocument& out, const Progress& progress = {});

  // The configurator's write: identity (0,2) and its question (message 59),
  // then writePlan(doc). Ends with message 67.
  bool writeConfiguration(const ConfigDocument& doc, const Progress& progress = {});

 private:
  bool error(const std::string& text, const std::string& detail = {});
  bool foreignDeviceAccepted(int number);

  UserPrompt& m_prompt;
  RegisterImage m_image;
  PortMap m_ports;
  SerialPort m_port;
  ModbusMaster m_modbus;
};

#pragma once
// SimModule: the simulated TQ-740-0 in configuration mode. A pure request
// handler: complete request frames in, answer bytes out, with the module's
// register image, a log of the requests it received and programmable
// faults. PtyModule serves it over a pseudo-terminal.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/register_image.h"

enum class SimFault {
  None,
  NoAnswer,        // stays silent
  WrongCrc,        // answer with its CRC bytes damaged
  OtherAddress,    // answer from another address (not in configuration mode)
  Exception,       // Modbus exception answer (function | 0x80, code 2)
  OtherFunction,   // answer with another function code
  WrongByteCount,  // function 3: byte count field not 2 x count
  WrongEchoStart,  // function 16: another first register echoed
  WrongEchoCount,  // function 16: another count echoed
  CutShort,        // only the first half of the answer
  Delay,           // answer after SimFaultRule::delayMs
  LateAnswer,      // answer only after the client's retry went out, then answer the retry: both paced
  NoiseBefore,     // noise bytes, then the answer
  GarbageAfter,    // the answer, then garbage bytes
  Vanish,          // the device disappears (pseudo-terminal closed)
  IgnoreWrite,     // function 16: confirms the write, yet the registers keep their values
};

// Option names of the faults ("no-answer", "wrong-crc", ...), and back;
// nullopt for an unknown name.
const char* simFaultName(SimFault fault);
std::optional<SimFault> simFaultFromName(const std::string& name);

// Which requests a fault applies to. Requests are counted from 1 in the
// order received (those addressed to the module with a good CRC); a rule
// with request 0 matches any request. startRegister (when set) narrows it to
// requests for that first register. A fault that only one function can show
// (WrongByteCount: function 3; WrongEchoStart, WrongEchoCount: function 16)
// matches only requests of that function. The first matching rule with hits
// left applies. A write is stored unless the fault is NoAnswer, Exception or
// Vanish (the module never heard it, or refused it), or IgnoreWrite (a
// setting that did not take).
struct SimFaultRule {
  SimFault fault = SimFault::None;
  int request = 0;
  std::optional<int> startRegister;
  int times = 1;      // how many matching requests it hits; -1 for all
  int delayMs = 700;  // Delay: milliseconds, or negative: until the next request arrives
};

// One request as the module received it.
struct SimRequest {
  std::uint8_t address;
  std::uint8_t function;
  std::uint16_t start;
  std::uint16_t count;
  std::vector<std::uint16_t> values;  // function 16 only
  std::vector<std::uint8_t> raw;
};

class SimModule {
 public:
  SimModule();  // realistic default configuration (identity 4608, 20413, revision 1.5)

  // Default configuration with n master orders (0..150) in master mode m.
  void setOrders(int n);
  void setMasterMode(int mode);
  void setRegister(int reg, std::uint16_t value);
  std::uint16_t registerValue(int reg) const;
  RegisterImage image() const;

  // Answer another slave address as well (for generic Modbus masters that
  // cannot address 255); -1 for none.
  void setExtraAddress(int address);

  void addFault(const SimFaultRule& rule);
  void clearFaults();

  // Length of the request that begins with these bytes: 0 when more bytes
  // are needed to tell, -1 when the bytes cannot start a request.
  static int requestLength(const std::uint8_t* data, std::size_t len);

  // What the bytes received so far begin with: a whole request of `length`
  // bytes with a good CRC, a request still incomplete, or a first byte that
  // cannot start one (drop it and scan again).
  struct Scan {
    enum Kind { Request, NeedMore, DropByte } kind;
    std::size_t length;
  };
  static Scan scanRequest(const std::uint8_t* data, std::size_t len);

  // Handles one complete request frame. Returns the answer (may be empty)
  // and the fault applied to it.
  // A delayed answer that waits for the first byte of the next request
  // instead of a time: late for its own request, but certain to arrive
  // after the client has given up on it and sent the next.
  static constexpr int kUntilNextRequest = -1;
  struct Reply {
    std::vector<std::uint8_t> bytes;
    SimFault fault = SimFault::None;
    int delayMs = 0;  // or kUntilNextRequest
    // Sent at 9600 baud even by a module that otherwise answers at once,
    // and so is the answer after it (a LateAnswer fault).
    bool pacedWithNext = false;
  };
  Reply handle(const std::uint8_t* frame, std::size_t len);

  // The requests addressed to the module with a good CRC, in order.
  std::vector<SimRequest> requests() const;
  void clearRequests();

 private:
  mutable std::mutex m_mutex;
  RegisterImage m_image;
  int m_extraAddress = -1;
  int m_requestCount = 0;
  std::vector<SimFaultRule> m_faults;
  std::vector<SimRequest> m_requests;
};

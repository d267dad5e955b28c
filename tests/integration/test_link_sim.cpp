// The device link against the simulated module over a real pseudo-terminal:
// the termios device, the port connection and the register transactions,
// with every fault the module can inject.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/modbus_master.h"
#include "link/posix_serial_device.h"
#include "link/serial_port.h"
#include "model/register_map.h"
#include "sim/pty_module.h"
#include "tests/support/attempt_timer.h"
#include "tests/support/recording_prompt.h"

namespace {
struct Link {
  explicit Link(PtyModule::Options options = {}) : pty(sim, std::move(options)) {
    if (!pty.start()) return;
    PortMap ports;
    ports.setPath(1, pty.slavePath());
    port = std::make_unique<SerialPort>(prompt, timer.factory(), ports);
    port->open_com_port(1);
    master.setPort(port.get());
  }

  // Waits until the module has finished with every request the port wrote
  // (also one still waiting behind a late answer), so that every answer is
  // on the line before the next transaction purges.
  void settle() { ASSERT_TRUE(pty.waitForRequestsDone(std::size_t(timer.writes()))); }

  std::shared_ptr<SimModule> sim = std::make_shared<SimModule>();
  PtyModule pty;
  AttemptTimer timer;  // counts the writes; every attempt keeps the full time-out
  RecordingPrompt prompt;
  RegisterImage image;
  ModbusMaster master{image, prompt};
  std::unique_ptr<SerialPort> port;
};

std::vector<std::uint16_t> registers(const RegisterImage& img, int from, int count) {
  std::vector<std::uint16_t> out;
  for (int r = from; r < from + count; ++r) out.push_back(img.get(static_cast<std::size_t>(r)));
  return out;
}

const std::vector<std::uint16_t> kIdentity = {4608, 20413, 1, 5};
}  // namespace

class LinkSim : public ::testing::TestWithParam<bool> {
 protected:
  PtyModule::Options options() const {
    PtyModule::Options o;
    o.pace = GetParam();
    return o;
  }
};

TEST_P(LinkSim, ReadsTheIdentity) {
  Link link(options());
  ASSERT_TRUE(link.port && link.port->isOpen()) << link.pty.lastError();
  EXPECT_TRUE(link.master.read_holding_registers(block::kFirmware.start, block::kFirmware.count, true));
  EXPECT_TRUE(link.prompt.texts().empty());
  EXPECT_EQ(registers(link.image, 0, 4), kIdentity);
}

TEST_P(LinkSim, WriteThenReadRoundTrips) {
  Link link(options());
  ASSERT_TRUE(link.port && link.port->isOpen());
  const std::vector<std::uint16_t> values = {7, 2, 200, 5, 0, 17, 1, 1, 42, 6, 65535};
  for (std::size_t i = 0; i < values.size(); ++i) link.image.set(4 + i, values[i]);
  ASSERT_TRUE(link.master.write_multiple_registers(block::kWritePorts.start, block::kWritePorts.count, true));
  EXPECT_EQ(registers(link.sim->image(), 4, 11), values);

  link.image.ClearRegisterImage();
  ASSERT_TRUE(link.master.read_holding_registers(block::kReadPorts.start, block::kReadPorts.count, true));
  EXPECT_EQ(registers(link.image, 4, 11), values);
  EXPECT_EQ(registers(link.image, 0, 4), kIdentity);
  EXPECT_TRUE(link.prompt.texts().empty());
}

INSTANTIATE_TEST_SUITE_P(Pacing, LinkSim, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Paced" : "Unpaced"; });

// What each injected fault ends in, for a read of registers 0..3 (function 3)
// and a write of register 4 (function 16). 0: the transaction succeeds.
struct FaultOutcome {
  const char* name;
  SimFault fault;
  int times;
  int read;   // message number for function 3
  int write;  // message number for function 16
};

// Names the case in test lists instead of its bytes.
void PrintTo(const FaultOutcome& c, std::ostream* os) {
  *os << c.name;
}

class LinkSimFaults : public ::testing::TestWithParam<FaultOutcome> {};

TEST_P(LinkSimFaults, EndsInItsMessageAndTheNextTransactionSucceeds) {
  const FaultOutcome& c = GetParam();
  for (const bool write : {false, true}) {
    SCOPED_TRACE(write ? "function 16" : "function 3");
    Link link;
    ASSERT_TRUE(link.port && link.port->isOpen());
    link.sim->addFault({c.fault, 0, std::nullopt, c.times, SimModule::kUntilNextRequest});
    link.image.set(4, 0x1234);
    const bool ok = write ? link.master.write_multiple_registers(4, 1, true)
                          : link.master.read_holding_registers(0, 4, true);
    const int expected = write ? c.write : c.read;
    EXPECT_EQ(ok, expected == 0);
    EXPECT_EQ(link.prompt.numbers(), expected ? std::vector<int>{expected} : std::vector<int>{});
    if (!write) {
      EXPECT_EQ(registers(link.image, 0, 4), expected ? std::vector<std::uint16_t>(4, 0) : kIdentity);
    }

    // Nothing of the fault is left on the line: the next transaction is clean.
    link.sim->clearFaults();  // a rule the other function did not match stays armed
    link.settle();
    link.prompt.clear();
    link.image.ClearRegisterImage();
    EXPECT_TRUE(link.master.read_holding_registers(0, 4, true));
    EXPECT_TRUE(link.prompt.texts().empty());
    EXPECT_EQ(registers(link.image, 0, 4), kIdentity);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LinkSimFaults,
                         ::testing::Values(
                             // Five silent attempts; one silent attempt is retried and the second succeeds.
                             FaultOutcome{"NoAnswerFiveTimes", SimFault::NoAnswer, 5, 10, 41},
                             FaultOutcome{"NoAnswerOnce", SimFault::NoAnswer, 1, 0, 0},
                             FaultOutcome{"WrongCrc", SimFault::WrongCrc, 1, 12, 43},
                             FaultOutcome{"OtherAddress", SimFault::OtherAddress, 1, 13, 44},
                             FaultOutcome{"Exception", SimFault::Exception, 1, 14, 45},
                             FaultOutcome{"OtherFunction", SimFault::OtherFunction, 1, 14, 45},
                             // Function 3 only; the echo faults function 16 only (the other
                             // function's request does not match the rule and succeeds).
                             FaultOutcome{"WrongByteCount", SimFault::WrongByteCount, 1, 15, 0},
                             FaultOutcome{"WrongEchoStart", SimFault::WrongEchoStart, 1, 0, 46},
                             FaultOutcome{"WrongEchoCount", SimFault::WrongEchoCount, 1, 0, 47},
                             // Judged on the bytes that came: the last two are not their CRC.
                             FaultOutcome{"CutShort", SimFault::CutShort, 1, 12, 43},
                             // The first attempt hears nothing; the late answer to it comes
                             // when the second request arrives, during the second attempt, and,
                             // being the same answer, passes. The answer to the second request
                             // is purged later.
                             FaultOutcome{"Delay", SimFault::Delay, 1, 0, 0},
                             // The read takes the expected number of bytes: the noise pushes the
                             // CRC out of place.
                             FaultOutcome{"NoiseBefore", SimFault::NoiseBefore, 1, 12, 43},
                             // The answer is complete before the garbage; the next purge drops it.
                             FaultOutcome{"GarbageAfter", SimFault::GarbageAfter, 1, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A device that goes away ends the transaction with a communication message,
// at once, and the connection itself survives the failure.
TEST(LinkSim, VanishedDeviceEndsInACommunicationMessage) {
  struct Case {
    const char* name;
    bool duringRequest;  // the module hangs up on the request instead of before it
    bool write;
    int message;
  };
  for (const Case& c :
       {Case{"vanished before a read", false, false, 6}, Case{"vanished before a write", false, true, 37},
        Case{"vanishes on a read", true, false, 6}, Case{"vanishes on a write", true, true, 37}}) {
    SCOPED_TRACE(c.name);
    Link link;
    ASSERT_TRUE(link.port && link.port->isOpen());
    if (c.duringRequest)
      link.sim->addFault({SimFault::Vanish, 0, std::nullopt, 1, 0});
    else
      link.pty.vanish();
    const bool ok = c.write ? link.master.write_multiple_registers(4, 1, true)
                            : link.master.read_holding_registers(0, 4, true);
    EXPECT_FALSE(ok);
    EXPECT_EQ(link.prompt.numbers(), std::vector<int>{c.message});
    // The module thread marks itself vanished just after the hang-up the
    // client has already seen, so only the synchronous vanish() is checked.
    if (!c.duringRequest) {
      EXPECT_TRUE(link.pty.vanished());
    }
    EXPECT_TRUE(link.port->isOpen());  // a failed transaction does not close the port
  }
}

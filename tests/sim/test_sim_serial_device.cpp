// The simulated module served in-process: the port connection and the
// register transactions over SimSerialDevice, with the faults that depend on
// the device's queues and time-outs (silence, delay, stale bytes, vanish).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/modbus_master.h"
#include "link/serial_port.h"
#include "model/register_map.h"
#include "sim/sim_serial_device.h"
#include "tests/sim/hex.h"
#include "tests/support/recording_prompt.h"

namespace {
SimFaultRule fault(SimFault kind, int request, int delayMs = 700) {
  SimFaultRule r;
  r.fault = kind;
  r.request = request;
  r.delayMs = delayMs;
  return r;
}

struct InProcessLink {
  InProcessLink() {
    port.open_com_port(1);
    master.setPort(&port);
  }
  std::shared_ptr<SimModule> sim = std::make_shared<SimModule>();
  RecordingPrompt prompt;
  RegisterImage image;
  ModbusMaster master{image, prompt};
  SerialPort port{prompt, [this] { return std::make_unique<SimSerialDevice>(sim); }, PortMap()};
};

std::vector<std::uint16_t> registers(const RegisterImage& img, int from, int count) {
  std::vector<std::uint16_t> out;
  for (int r = from; r < from + count; ++r) out.push_back(img.get(static_cast<std::size_t>(r)));
  return out;
}

// Reads whatever the device delivers within its read time-out.
std::string readHex(SerialDevice& d, std::size_t maxLen = 64) {
  std::vector<std::uint8_t> buf(maxLen);
  std::size_t got = 0;
  EXPECT_TRUE(d.read(buf.data(), buf.size(), got));
  buf.resize(got);
  return hex(buf);
}

void writeHex(SerialDevice& d, const std::string& frame) {
  const std::vector<std::uint8_t> b = bytes(frame);
  std::size_t written = 0;
  ASSERT_TRUE(d.write(b.data(), b.size(), written));
  ASSERT_EQ(written, b.size());
}
}  // namespace

TEST(SimSerialDevice, ReadsAndWritesThroughThePortConnection) {
  InProcessLink link;
  ASSERT_TRUE(link.port.isOpen());
  ASSERT_TRUE(link.master.read_holding_registers(block::kFirmware.start, block::kFirmware.count, true));
  EXPECT_EQ(registers(link.image, 0, 4), (std::vector<std::uint16_t>{4608, 20413, 1, 5}));

  const std::vector<std::uint16_t> values = {7, 2, 200, 5, 0, 17, 1, 1, 42, 6, 65535};
  for (std::size_t i = 0; i < values.size(); ++i) link.image.set(4 + i, values[i]);
  ASSERT_TRUE(link.master.write_multiple_registers(block::kWritePorts.start, block::kWritePorts.count, true));
  EXPECT_EQ(registers(link.sim->image(), 4, 11), values);
  EXPECT_TRUE(link.prompt.texts().empty());
}

TEST(SimSerialDevice, SilentFirstAttemptIsRetriedAndWrongAnswerIsNot) {
  InProcessLink link;
  link.sim->addFault(fault(SimFault::NoAnswer, 1));
  link.sim->addFault(fault(SimFault::WrongCrc, 3));
  ASSERT_TRUE(link.master.read_holding_registers(0, 2, true));
  EXPECT_EQ(link.sim->requests().size(), 2u);  // silent, then answered

  EXPECT_FALSE(link.master.read_holding_registers(0, 2, true));
  EXPECT_EQ(link.sim->requests().size(), 3u);  // judged once, never repeated
  ASSERT_EQ(link.prompt.texts().size(), 1u);
  EXPECT_EQ(link.prompt.texts()[0].rfind("message ", 0), 0u);
}

TEST(SimSerialDevice, LateAnswerArrivesAfterItsDelayAndPurgeLeavesItInFlight) {
  auto sim = std::make_shared<SimModule>();
  sim->addFault(fault(SimFault::Delay, 1, 60));
  SimSerialDevice d(sim);
  ASSERT_TRUE(d.open("any"));
  ASSERT_TRUE(d.setTimeouts(0, 0));
  writeHex(d, "FF0300000002D1D5");
  EXPECT_EQ(readHex(d), "");  // nothing yet, and a zero time-out does not wait
  ASSERT_TRUE(d.purge());     // the answer is still on the line, not in the queue
  ASSERT_TRUE(d.setTimeouts(5000, 0));
  EXPECT_EQ(readHex(d, 9), "FF030412004FBD14C5");  // returns as soon as 9 bytes are in
}

TEST(SimSerialDevice, PurgeDiscardsAnUnreadAnswerAndNoiseBeforeARequestIsSkipped) {
  auto sim = std::make_shared<SimModule>();
  SimSerialDevice d(sim);
  ASSERT_TRUE(d.open("any"));
  ASSERT_TRUE(d.setTimeouts(0, 0));
  writeHex(d, "FF0300000002D1D5");
  ASSERT_TRUE(d.purge());
  EXPECT_EQ(readHex(d), "");

  writeHex(d, "00 FF FF0300000002D1D5");
  EXPECT_EQ(readHex(d), "FF030412004FBD14C5");
}

TEST(SimSerialDevice, VanishedModuleFailsTheNextCallsUntilReopened) {
  InProcessLink link;
  link.sim->addFault(fault(SimFault::Vanish, 1));
  EXPECT_FALSE(link.master.read_holding_registers(0, 2, true));
  SerialDevice& d = *link.port.device();
  std::size_t written = 0;
  const std::uint8_t frame[] = {0xFF, 0x03, 0x00, 0x00, 0x00, 0x02, 0xD1, 0xD5};
  EXPECT_FALSE(d.write(frame, sizeof frame, written));
  EXPECT_NE(d.lastError(), 0);
  EXPECT_NE(d.lastErrorText().find("gone"), std::string::npos);

  ASSERT_TRUE(d.open("again"));
  ASSERT_TRUE(d.setTimeouts(500, 500));
  writeHex(d, "FF0300000002D1D5");
  EXPECT_EQ(readHex(d, 9), "FF030412004FBD14C5");
}

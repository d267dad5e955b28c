// The port connection: every step of opening, its messages and states.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "link/modbus_master.h"
#include "link/serial_port.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/temp_file.h"

namespace {
const std::vector<std::string> kOpenSteps{"open", "line", "timeouts", "purge"};

struct PortFixture : testing::Test {
  std::shared_ptr<FakeSerialScript> script = std::make_shared<FakeSerialScript>();
  RecordingPrompt prompt;
  SerialPort port{prompt, FakeSerialDevice::factory(script), PortMap()};
};

TEST_F(PortFixture, OpensWithLineSettingsTimeoutsAndPurge) {
  port.open_com_port(2);
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(port.portNumber(), 2);
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(script->calls, kOpenSteps);
  EXPECT_EQ(script->openedPaths, std::vector<std::string>{PortMap().path(2)});
  EXPECT_EQ(script->readTimeoutMs, 500);
  EXPECT_EQ(script->writeTimeoutMs, 500);
}

struct OpenFailure {
  const char* name;
  std::deque<FakeStep> FakeSerialScript::*step;
  const char* message;
  int closes;
  const char* detail;  // the failed open names the device it tried
};

TEST_F(PortFixture, EachFailingStepShowsItsMessageAndLeavesThePortClosed) {
  const OpenFailure cases[] = {
      {"open", &FakeSerialScript::open, "message 2\n\nFailed to open port(COM).", 0,
       "/dev/ttyS2: reason of open"},
      {"line", &FakeSerialScript::lineSettings, "message 3\n\nFailed to open port(COM).\nSetCommState", 1,
       "reason of line"},
      {"timeouts", &FakeSerialScript::timeouts, "message 4\n\nFailed to open port(COM).\nSetCommTimeouts", 1,
       "reason of timeouts"},
      {"purge", &FakeSerialScript::purge, "message 5\n\nFailed to open port(COM).\nPurgeComm", 1,
       "reason of purge"},
  };
  for (const OpenFailure& c : cases) {
    auto s = std::make_shared<FakeSerialScript>();
    RecordingPrompt p;
    PortMap ports;
    ports.setPath(3, "/dev/ttyS2");  // the same device name on every platform
    SerialPort sp(p, FakeSerialDevice::factory(s), ports);
    (s.get()->*c.step).push_back({false, EACCES, std::string("reason of ") + c.name});
    sp.open_com_port(3);
    ASSERT_EQ(p.m_messages.size(), 1u) << c.name;
    EXPECT_EQ(p.m_messages[0].text, c.message);
    EXPECT_EQ(p.m_messages[0].kind, MsgKind::Error);
    EXPECT_EQ(p.m_messages[0].detail, c.detail);
    EXPECT_FALSE(sp.isOpen()) << c.name;
    EXPECT_EQ(sp.portNumber(), 0) << c.name;
    EXPECT_EQ(s->closes, c.closes) << c.name;
    // Released: the same port opens again at once.
    sp.open_com_port(3);
    EXPECT_TRUE(sp.isOpen()) << c.name;
    EXPECT_EQ(p.m_messages.size(), 1u) << c.name;
  }
}

// The handle is released only after the user has closed the box.
TEST(SerialPortOrder, DeviceIsClosedAfterTheBox) {
  struct ClosesAtBox : RecordingPrompt {
    std::shared_ptr<FakeSerialScript> script;
    int closesWhenShown = -1;
    MsgAnswer message(const std::string& t, MsgKind k, bool d, const std::string& det) override {
      closesWhenShown = script->closes;
      return RecordingPrompt::message(t, k, d, det);
    }
  } prompt;
  prompt.script = std::make_shared<FakeSerialScript>();
  prompt.script->purge.push_back({false, EIO});
  SerialPort port(prompt, FakeSerialDevice::factory(prompt.script), PortMap());
  port.open_com_port(1);
  EXPECT_EQ(prompt.closesWhenShown, 0);
  EXPECT_EQ(prompt.script->closes, 1);
}

TEST_F(PortFixture, OpenWhileOpenDoesNothing) {
  port.open_com_port(1);
  port.open_com_port(2);
  port.open_com_port(1);
  EXPECT_EQ(port.portNumber(), 1);
  EXPECT_EQ(script->devicesCreated, 1);
  EXPECT_EQ(script->closes, 0);
  EXPECT_TRUE(prompt.m_messages.empty());
}

TEST_F(PortFixture, CloseReleasesTheDeviceAndCloseWhenClosedDoesNothing) {
  port.close_com_port();
  EXPECT_TRUE(script->calls.empty());
  port.open_com_port(4);
  port.close_com_port();
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.portNumber(), 0);
  EXPECT_EQ(script->closes, 1);
  port.close_com_port();
  EXPECT_EQ(script->closes, 1);
  EXPECT_TRUE(prompt.m_messages.empty());
}

TEST_F(PortFixture, PortNumbersOutsideOneToFourFailToOpen) {
  port.open_com_port(0);
  port.open_com_port(5);
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{2, 2}));
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.portNumber(), 0);
}

TEST(SerialPortLife, DestroyingTheConnectionClosesTheDevice) {
  auto script = std::make_shared<FakeSerialScript>();
  RecordingPrompt prompt;
  {
    SerialPort port(prompt, FakeSerialDevice::factory(script), PortMap());
    port.open_com_port(1);
  }
  EXPECT_EQ(script->closes, 1);
}

// Transactions follow the connection: after Disconnect they fail cleanly.
TEST_F(PortFixture, TransactionsUseTheCurrentDeviceOfTheConnection) {
  RegisterImage image;
  ModbusMaster master(image, prompt);
  master.setPort(&port);
  port.open_com_port(1);
  script->responder = [](const std::vector<std::uint8_t>& req) {
    std::vector<std::uint8_t> a(req.begin(), req.begin() + 6);
    const std::uint16_t crc = crc16_modbus(a.data(), 6);
    a.push_back(crc & 0xFF);
    a.push_back(crc >> 8);
    return a;
  };
  EXPECT_TRUE(master.write_multiple_registers(4, 1, true));
  port.close_com_port();
  EXPECT_FALSE(master.write_multiple_registers(4, 1, true));
  EXPECT_EQ(prompt.numbers(), std::vector<int>{37});
}

// The system's backend: its reason reaches the box as detail text.
TEST(SerialPortSystem, MissingDeviceAndNonTerminal) {
  const std::string file = makeTempFile("tq740-not-a-tty");
  ASSERT_FALSE(file.empty());
#ifdef _WIN32
  const std::string missing = "COM97";
#else
  const std::string missing = "/dev/tq740-no-such-device";
#endif
  PortMap ports;
  ports.setPath(1, missing);
  ports.setPath(2, file);
  RecordingPrompt prompt;
  SerialPort port(prompt, SerialDeviceFactory(), ports);
  port.open_com_port(1);
  port.open_com_port(2);  // opens, but a plain file takes no line settings
  std::remove(file.c_str());
  ASSERT_EQ(prompt.numbers(), (std::vector<int>{2, 3}));
#ifdef _WIN32
  EXPECT_EQ(prompt.m_messages[0].detail.rfind("Cannot open COM97: ", 0), 0u) << prompt.m_messages[0].detail;
  EXPECT_GT(prompt.m_messages[0].detail.size(), std::string("Cannot open COM97: ").size());
#else
  EXPECT_EQ(prompt.m_messages[0].detail, "The device /dev/tq740-no-such-device does not exist.");
#endif
  EXPECT_NE(prompt.m_messages[1].detail.find(file), std::string::npos);
  EXPECT_FALSE(port.isOpen());
}

TEST(PortMapTest, DefaultsAndAssignments) {
  PortMap map;
#ifdef _WIN32
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(map.path(n), "COM" + std::to_string(n));
#else
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(map.path(n), "/dev/ttyS" + std::to_string(n - 1));
#endif
  EXPECT_TRUE(map.parseAssignment("3=/dev/serial/by-id/usb-FTDI_A=B-if00"));
  EXPECT_EQ(map.path(3), "/dev/serial/by-id/usb-FTDI_A=B-if00");
  for (const char* bad : {"", "3", "=/dev/x", "0=/dev/x", "5=/dev/x", "12=/dev/x", "a=/dev/x", "2="}) {
    std::string error;
    EXPECT_FALSE(map.parseAssignment(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(map.path(2), PortMap().path(2));
}
}  // namespace

// The Win32 backend: the names it opens, and, when the Wine test run maps a
// COM port to the simulated module (TQ_TEST_COM_PORT), a real exchange
// through the port connection with the module's line settings.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "link/modbus_master.h"
#include "link/serial_port.h"
#include "link/win32_serial_device.h"
#include "model/register_map.h"
#include "tests/support/recording_prompt.h"

TEST(Win32SerialDevice, DeviceNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"COM3", "\\\\.\\COM3"},          {"COM12", "\\\\.\\COM12"}, {"\\\\.\\COM5", "\\\\.\\COM5"},
      {"C:\\ports\\x", "C:\\ports\\x"}, {"//./COM4", "//./COM4"},
  };
  for (const auto& [given, opened] : cases) EXPECT_EQ(Win32SerialDevice::deviceName(given), opened) << given;
}

TEST(Win32SerialDevice, ReasonsComeFromTheSystem) {
  // The wording differs between Windows versions and Wine; its shape does not.
  const std::string notFound = Win32SerialDevice::systemReason(2);
  EXPECT_FALSE(notFound.empty());
  EXPECT_EQ(notFound.rfind("system error", 0), std::string::npos) << notFound;
  EXPECT_EQ(notFound.find_first_of("\r\n"), std::string::npos) << notFound;
  EXPECT_EQ(Win32SerialDevice::systemReason(0xDEADBEEF), "system error 3735928559");
}

TEST(Win32SerialDevice, CallsOnAClosedDeviceFail) {
  Win32SerialDevice d;
  std::uint8_t b[4] = {};
  std::size_t n = 0;
  EXPECT_FALSE(d.applyLineSettings());
  EXPECT_FALSE(d.purge());
  EXPECT_FALSE(d.read(b, sizeof b, n));
  EXPECT_NE(d.lastError(), 0);
  EXPECT_EQ(d.lastErrorText(), "The port is not open.");
}

// Needs a COM port with the simulated module behind it.
TEST(Win32SerialDevice, ExchangesWithTheModuleOnAComPort) {
  const char* com = std::getenv("TQ_TEST_COM_PORT");
  if (!com || !*com) GTEST_SKIP() << "TQ_TEST_COM_PORT names no port with the simulated module";
  PortMap ports;
  ports.setPath(1, com);
  RecordingPrompt prompt;
  RegisterImage image;
  SerialPort port(prompt, SerialDeviceFactory(), ports);
  port.open_com_port(1);
  ASSERT_TRUE(port.isOpen()) << (prompt.m_messages.empty() ? "" : prompt.m_messages[0].detail);
  ModbusMaster master(image, prompt);
  master.setPort(&port);

  ASSERT_TRUE(master.read_holding_registers(block::kFirmware.start, block::kFirmware.count, true));
  EXPECT_EQ(productCode(image), EXPECTED_PRODUCT_CODE);
  image.set(4, 3);
  ASSERT_TRUE(master.write_multiple_registers(4, 1, true));
  image.set(4, 0);
  ASSERT_TRUE(master.read_holding_registers(4, 1, true));
  EXPECT_EQ(image.get(4), 3);
  EXPECT_TRUE(prompt.texts().empty());

  // Nothing asked, nothing comes: the read ends by its time-out, successfully.
  std::uint8_t b[8] = {};
  std::size_t got = 99;
  EXPECT_TRUE(port.device()->read(b, sizeof b, got));
  EXPECT_EQ(got, 0u);
}

// Port discovery: the sysfs scan over a tree of our own, matching a path to a
// device, and the detail text of a failed open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/device_map_ports.h"
#include "link/port_discovery.h"
#include "link/serial_port.h"
#include "link/sysfs_port_scan.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/fixed_port_discovery.h"
#include "tests/support/recording_prompt.h"

namespace fs = std::filesystem;

namespace {

// A sysfs and /dev tree in a temporary folder: two USB-ACM devices, an FTDI
// adapter with a by-id and a by-path name, a real UART, a serial-core port
// without a chip, and a virtual terminal.
class FakeSystem : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the sysfs tree and its links are Linux's";
#endif
    root = fs::temp_directory_path() / ("tq740-ports-" + std::to_string(::getpid()));
    fs::remove_all(root);
    sys = root / "sys";
    dev = root / "dev";
    fs::create_directories(sys / "class" / "tty");
    fs::create_directories(dev / "serial" / "by-id");
    fs::create_directories(dev / "serial" / "by-path");

    usbDevice("pci0000:00/usb1", {{"idVendor", "1d6b"}, {"product", "xHCI Host Controller"}});
    usbDevice("pci0000:00/usb1/1-2", {{"idVendor", "0403"},
                                      {"product", "FT232R USB UART"},
                                      {"manufacturer", "FTDI"},
                                      {"serial", "A12345"}});
    usbDevice("pci0000:00/usb1/1-3",
              {{"idVendor", "2e8a"}, {"product", "Pico"}, {"manufacturer", "Raspberry Pi"}});
    usbDevice("pci0000:00/usb1/1-4",
              {{"idVendor", "2e8a"}, {"product", "Pico"}, {"manufacturer", "Raspberry Pi"}});
    tty("ttyUSB0", "pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0");
    tty("ttyACM10", "pci0000:00/usb1/1-3/1-3:1.0");
    tty("ttyACM2", "pci0000:00/usb1/1-4/1-4:1.0");
    tty("ttyS0", "platform/serial8250", "4");
    tty("ttyS1", "platform/serial8250", "0");
    tty("tty0", "");
    fs::create_symlink("../../ttyUSB0",
                       dev / "serial" / "by-id" / "usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-path" / "pci-0000:00:14.0-usb-0:2:1.0-port0");
  }
  void TearDown() override {
    if (!root.empty()) fs::remove_all(root);
  }

  static void write(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }

  void usbDevice(const std::string& dir, std::initializer_list<std::pair<const char*, const char*>> attrs) {
    fs::create_directories(sys / "devices" / dir);
    for (const auto& [name, value] : attrs) write(sys / "devices" / dir / name, value);
  }

  // A tty class entry; an empty deviceDir makes a virtual one.
  void tty(const std::string& name, const std::string& deviceDir, const char* type = nullptr) {
    const fs::path dir = sys / "devices" / (deviceDir.empty() ? "virtual" : deviceDir) / "tty" / name;
    fs::create_directories(dir);
    if (!deviceDir.empty()) fs::create_directory_symlink(sys / "devices" / deviceDir, dir / "device");
    if (type) write(dir / "type", type);
    fs::create_directory_symlink(dir, sys / "class" / "tty" / name);
    write(dev / name, "");
  }

  fs::path root, sys, dev;
};

TEST_F(FakeSystem, ScanListsRealPortsInCountingOrderWithTheirUsbStringsAndStableNames) {
  const auto ports = scanSysfsPorts(sys.string(), dev.string());
  ASSERT_EQ(ports.size(), 4u);
  const std::string d = dev.string();
  EXPECT_EQ(ports[0].path, d + "/ttyACM2");
  EXPECT_EQ(ports[1].path, d + "/ttyACM10");
  EXPECT_EQ(ports[1].description, "Pico");
  EXPECT_EQ(ports[1].manufacturer, "Raspberry Pi");
  EXPECT_EQ(ports[1].stableName, "");
  EXPECT_EQ(ports[2].path, d + "/ttyS0");  // ttyS1 has no UART, tty0 is virtual
  EXPECT_EQ(ports[2].description, "");
  const SerialPortInfo& ftdi = ports[3];
  EXPECT_EQ(ftdi.path, d + "/ttyUSB0");
  EXPECT_EQ(ftdi.stableName, d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
  EXPECT_EQ(ftdi.preferredPath(), ftdi.stableName);
  EXPECT_EQ(ftdi.description, "FT232R USB UART");
  EXPECT_EQ(ftdi.manufacturer, "FTDI");
  EXPECT_EQ(ftdi.serialNumber, "A12345");
  EXPECT_EQ(ftdi.summary(), ftdi.stableName + " (ttyUSB0), FT232R USB UART, FTDI, serial A12345");

  // Any name of the adapter finds it: kernel, by-id, and a link the list does not show.
  for (const std::string& name :
       {ftdi.path, ftdi.stableName, d + "/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"})
    EXPECT_EQ(findPort(ports, name), &ports[3]) << name;
  EXPECT_EQ(findPort(ports, d + "/ttyS1"), nullptr);
  EXPECT_EQ(findPort(ports, ""), nullptr);
}

TEST_F(FakeSystem, MissingFoldersGiveAnEmptyList) {
  EXPECT_TRUE(scanSysfsPorts((root / "none").string(), (root / "none").string()).empty());
  EXPECT_TRUE(stableNames((root / "none").string()).empty());
}

const SerialPortInfo kFtdi{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A1-if00-port0", "FT232R USB UART",
                           "FTDI", "A1"};
const SerialPortInfo kAcm{"/dev/ttyACM0", "", "Pico", "", ""};

// The registry's device map as Windows keeps it: one value a port, in no
// particular order, with the odd value that names no COM port.
TEST(DeviceMapPorts, ListsEachComPortOnceInCountingOrderWithItsDriverDevice) {
  const auto ports = portsFromDeviceMap({{"\\Device\\VCP0", "COM10"},
                                         {"\\Device\\Serial0", "COM1"},
                                         {"\\Device\\USBSER000", std::string("COM3\0", 5)},
                                         {"\\Device\\Serial1", " com2 "},
                                         {"\\Device\\Other", "LPT1"},
                                         {"\\Device\\Empty", ""},
                                         {"\\Device\\Zero", "COM0"},
                                         {"\\Device\\Twice", "COM1"}});
  std::vector<std::string> lines;
  for (const SerialPortInfo& p : ports) lines.push_back(p.summary());
  EXPECT_EQ(lines, (std::vector<std::string>{"COM1, \\Device\\Serial0", "COM2, \\Device\\Serial1",
                                             "COM3, \\Device\\USBSER000", "COM10, \\Device\\VCP0"}));
  ASSERT_EQ(ports.size(), 4u);
  EXPECT_EQ(findPort(ports, "COM3"), &ports[2]);
}

TEST(OpenFailureDetail, NamesTheDeviceAndListsAdaptersOnlyWhenNoneIsAPort) {
  const std::string list =
      "\n\nSerial devices on this computer, none of them set as COM 1 to COM 4:"
      "\n  /dev/serial/by-id/usb-FTDI_A1-if00-port0 (ttyUSB0), FT232R USB UART, FTDI, serial A1"
      "\n  /dev/ttyACM0, Pico"
      "\nChoose one in Connection > \"Port settings...\".";
  PortMap byId;
  byId.setPath(3, kFtdi.stableName);
  PortMap byKernelName;
  byKernelName.setPath(4, "/dev/ttyACM0");
  struct Case {
    const char* name;
    std::string reason;
    PortMap map;
    std::vector<SerialPortInfo> present;
    std::string detail;
  } cases[] = {
      {"no_devices", "No such file or directory", PortMap(), {}, "/dev/ttyS0: No such file or directory"},
      {"reason_names_path",
       "The device /dev/ttyS0 does not exist.",
       PortMap(),
       {},
       "The device /dev/ttyS0 does not exist."},
      {"no_reason", "", PortMap(), {}, "/dev/ttyS0: cannot be opened."},
      {"adapters_unmapped",
       "The device /dev/ttyS0 does not exist.",
       PortMap(),
       {kFtdi, kAcm},
       "The device /dev/ttyS0 does not exist." + list},
      {"adapter_mapped_by_stable_name", "x", byId, {kFtdi, kAcm}, "/dev/ttyS0: x"},
      {"adapter_mapped_by_kernel_name", "x", byKernelName, {kFtdi, kAcm}, "/dev/ttyS0: x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(openFailureDetail("/dev/ttyS0", c.reason, c.map, c.present), c.detail) << c.name;
}

// The port asks its discovery only when an open fails, and shows the list.
TEST(OpenFailureDetail, SerialPortShowsTheAdaptersInMessage2) {
  auto script = std::make_shared<FakeSerialScript>();
  script->open.push_back({false, ENOENT, "The device /dev/ttyS0 does not exist."});
  FixedPortDiscovery discovery({kFtdi});
  RecordingPrompt prompt;
  SerialPort port(prompt, FakeSerialDevice::factory(script), PortMap());
  port.setDiscovery(&discovery);
  port.open_com_port(1);
  ASSERT_EQ(prompt.numbers(), std::vector<int>{2});
  EXPECT_NE(prompt.m_messages[0].detail.find(kFtdi.stableName + " (ttyUSB0)"), std::string::npos)
      << prompt.m_messages[0].detail;
  EXPECT_NE(prompt.m_messages[0].detail.find("Connection > \"Port settings...\""), std::string::npos);
  EXPECT_EQ(port.openPath(), "");
  port.open_com_port(1);
  EXPECT_EQ(port.openPath(), PortMap::defaultPath(1));
}

}  // namespace

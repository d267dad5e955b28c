// The termios backend over a real pseudo-terminal; the test plays the
// module on the master side by hand.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "link/io_wait.h"
#include "link/modbus_master.h"
#include "link/posix_serial_device.h"
#include "link/serial_port.h"
#include "tests/support/recording_prompt.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

// Long enough that a read waiting for its deadline instead of returning
// with its bytes would run into the test's own time limit.
constexpr int kNeverMs = 3'600'000;

class Pty : public testing::Test {
 protected:
  void SetUp() override {
    char name[128] = {};
    ASSERT_EQ(openpty(&m_master, &m_slave, name, nullptr, nullptr), 0);
    m_path = name;
  }
  void TearDown() override {
    if (m_master >= 0) ::close(m_master);
    ::close(m_slave);
  }

  void moduleSends(const Bytes& b) { ASSERT_EQ(::write(m_master, b.data(), b.size()), ssize_t(b.size())); }
  // Waits until bytes the module sent have reached the port's input queue.
  void waitUntilQueued() {
    pollfd p{m_slave, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10'000), 1);
  }
  Bytes moduleReceives(std::size_t n) {
    Bytes b(n);
    std::size_t got = 0;
    while (got < n) {
      pollfd p{m_master, POLLIN, 0};
      if (::poll(&p, 1, 10'000) != 1) break;
      const ssize_t r = ::read(m_master, b.data() + got, n - got);
      if (r <= 0) break;
      got += std::size_t(r);
    }
    b.resize(got);
    return b;
  }
  void openDevice(PosixSerialDevice& dev, int readMs = kNeverMs) {
    ASSERT_TRUE(dev.open(m_path)) << dev.lastErrorText();
    ASSERT_TRUE(dev.applyLineSettings()) << dev.lastErrorText();
    ASSERT_TRUE(dev.setTimeouts(readMs, 500));
  }

  int m_master = -1;
  int m_slave = -1;  // the module side keeps one slave descriptor open
  std::string m_path;
};

TEST_F(Pty, LineSettingsReadBack) {
  PosixSerialDevice dev;
  openDevice(dev);
  termios t{};
  ASSERT_EQ(tcgetattr(m_slave, &t), 0);
  EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
  EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_cflag & PARENB);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP));
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(t.c_oflag & OPOST);
}

TEST_F(Pty, OpenIsExclusiveEvenForRootAndReleasedOnClose) {
  PosixSerialDevice first, second;
  ASSERT_TRUE(first.open(m_path));
  int excl = 0;
  ASSERT_EQ(ioctl(m_slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 1);

  EXPECT_FALSE(second.open(m_path));
  EXPECT_NE(second.lastError(), 0);
  EXPECT_EQ(second.lastErrorText(), "Another program holds " + m_path + ".");
  EXPECT_FALSE(second.isOpen());

  first.close();
  ASSERT_EQ(ioctl(m_slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 0) << "TIOCEXCL must not outlive the port";
  EXPECT_TRUE(second.open(m_path)) << second.lastErrorText();
}

TEST_F(Pty, MissingDeviceIsNamed) {
  PosixSerialDevice dev;
  EXPECT_FALSE(dev.open("/dev/tq740-missing"));
  EXPECT_EQ(dev.lastError(), ENOENT);
  EXPECT_EQ(dev.lastErrorText(), "The device /dev/tq740-missing does not exist.");
}

TEST_F(Pty, PurgeDiscardsStaleBytes) {
  PosixSerialDevice dev;
  openDevice(dev, 0);
  moduleSends({0x55, 0xAA, 0x01});
  waitUntilQueued();
  ASSERT_TRUE(dev.purge()) << dev.lastErrorText();
  std::uint8_t buf[8];
  std::size_t got = 99;
  EXPECT_TRUE(dev.read(buf, sizeof buf, got));
  EXPECT_EQ(got, 0u);
}

TEST_F(Pty, ReadReturnsTheCompleteAnswerWithoutWaitingForTheDeadline) {
  PosixSerialDevice dev;
  openDevice(dev);
  const Bytes answer{0xFF, 0x03, 0x04, 0x12, 0x00, 0x4F, 0xBD, 0xAA, 0xBB};
  moduleSends(Bytes(answer.begin(), answer.begin() + 4));
  std::thread rest([&] { moduleSends(Bytes(answer.begin() + 4, answer.end())); });
  std::uint8_t buf[16] = {};
  std::size_t got = 0;
  const bool ok = dev.read(buf, answer.size(), got);
  rest.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(dev.lastError(), 0);
  EXPECT_EQ(Bytes(buf, buf + got), answer);
}

TEST_F(Pty, PartialAnswerIsReturnedAtTheDeadline) {
  PosixSerialDevice dev;
  openDevice(dev, 30);
  moduleSends({0xFF, 0x03, 0x04});
  std::uint8_t buf[9] = {};
  std::size_t got = 0;
  EXPECT_TRUE(dev.read(buf, sizeof buf, got));
  EXPECT_EQ(dev.lastError(), 0);
  EXPECT_EQ(Bytes(buf, buf + got), (Bytes{0xFF, 0x03, 0x04}));
  EXPECT_TRUE(dev.read(buf, sizeof buf, got));
  EXPECT_EQ(got, 0u);
}

TEST_F(Pty, WriteDeliversTheRequest) {
  PosixSerialDevice dev;
  openDevice(dev);
  const Bytes request{0xFF, 0x03, 0x00, 0x00, 0x00, 0x02, 0xD1, 0xD5};
  std::size_t written = 0;
  EXPECT_TRUE(dev.write(request.data(), request.size(), written));
  EXPECT_EQ(written, request.size());
  EXPECT_EQ(dev.lastError(), 0);
  EXPECT_EQ(moduleReceives(request.size()), request);
}

// Nobody reads on the module side: the write stops at its time-out and
// reports how much went, without an error.
TEST_F(Pty, WriteIsCutShortByItsTimeout) {
  PosixSerialDevice dev;
  ASSERT_TRUE(dev.open(m_path));
  ASSERT_TRUE(dev.applyLineSettings());
  ASSERT_TRUE(dev.setTimeouts(0, 20));
  const Bytes big(1 << 20, 0x5A);
  std::size_t written = 0;
  EXPECT_TRUE(dev.write(big.data(), big.size(), written));
  EXPECT_EQ(dev.lastError(), 0);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, big.size());
}

// The most common trouble with serial ports on Linux: the user is not in
// the group that owns the device. The reason names that group.
TEST_F(Pty, PermissionDeniedNamesTheGroup) {
  // Mode 0: the owner (the test's own user) is refused as well as anyone
  // else; root, which ignores the mode, tries as another user.
  ASSERT_EQ(::chmod(m_path.c_str(), 0), 0);
  struct stat st {};
  ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(2);
    PosixSerialDevice dev;
    const bool opened = dev.open(m_path);
    const std::string text = dev.lastErrorText();
    if (::write(pipeFds[1], text.data(), text.size()) < 0) _exit(3);
    _exit(opened ? 1 : 0);
  }
  ::close(pipeFds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) text.append(buf, std::size_t(n));
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the open did not fail: " << text;
  const group* owner = ::getgrgid(st.st_gid);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(text, "Permission denied: " + m_path + " belongs to group " + owner->gr_name);
}

TEST_F(Pty, VanishedDeviceIsAnErrorNotAHang) {
  PosixSerialDevice dev;
  openDevice(dev);
  ::close(m_master);
  m_master = -1;
  std::uint8_t buf[8];
  std::size_t got = 0;
  EXPECT_FALSE(dev.read(buf, sizeof buf, got));
  EXPECT_NE(dev.lastError(), 0);
  EXPECT_NE(dev.lastErrorText().find("has gone"), std::string::npos) << dev.lastErrorText();
  std::size_t written = 0;
  EXPECT_FALSE(dev.write(buf, sizeof buf, written));
  EXPECT_NE(dev.lastError(), 0);
  dev.close();
  EXPECT_FALSE(dev.isOpen());
}

// The whole path: connection, transaction and a module answering by hand.
TEST_F(Pty, TransactionOverThePseudoTerminal) {
  RecordingPrompt prompt;
  PortMap ports;
  ports.setPath(1, m_path);
  SerialPort port(prompt, SerialDeviceFactory(), ports);
  RegisterImage image;
  ModbusMaster master(image, prompt);
  master.setPort(&port);

  port.open_com_port(1);
  ASSERT_TRUE(port.isOpen()) << (prompt.m_messages.empty() ? "" : prompt.m_messages[0].detail);
  moduleSends({0x00, 0x11});  // noise that the purge before the attempt discards
  waitUntilQueued();

  std::thread module([&] {
    const Bytes request = moduleReceives(8);
    EXPECT_EQ(request, (Bytes{0xFF, 0x03, 0x00, 0x00, 0x00, 0x04, 0x51, 0xD7}));
    Bytes answer{0xFF, 0x03, 0x08, 0x12, 0x00, 0x4F, 0xBD, 0x00, 0x01, 0x00, 0x05};
    const std::uint16_t crc = crc16_modbus(answer.data(), static_cast<int>(answer.size()));
    answer.push_back(crc & 0xFF);
    answer.push_back(crc >> 8);
    moduleSends(answer);
  });
  const bool ok = master.read_holding_registers(0, 4, true);
  module.join();
  EXPECT_TRUE(ok);
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(image.get(0), 4608);
  EXPECT_EQ(image.get(1), 20413);
  EXPECT_EQ(image.get(2), 1);
  EXPECT_EQ(image.get(3), 5);
}
}  // namespace

namespace {
// A wait that ends early on its first calls, as a wait cut short by a signal
// or by a window's event loop does: returning 0 (nothing yet) or -1 with
// EINTR before its time. On the call after those, the module's answer is
// sent, and the real wait takes over.
class EarlyWait : public IoWait {
 public:
  EarlyWait(int early, int result, std::function<void()> thenSend)
      : m_early(early), m_result(result), m_send(std::move(thenSend)) {}
  int wait(int fd, short events, short& revents, int timeoutMs) override {
    if (m_calls++ < m_early) {
      revents = 0;
      errno = EINTR;
      return m_result;
    }
    if (m_send) std::exchange(m_send, nullptr)();
    return IoWait::wait(fd, events, revents, timeoutMs);
  }
  int m_calls = 0;

 private:
  int m_early;
  int m_result;
  std::function<void()> m_send;
};

TEST_F(Pty, AWaitEndingEarlyNeverEndsTheRead) {
  for (int result : {0, -1}) {
    SCOPED_TRACE(result);
    PosixSerialDevice dev;
    openDevice(dev);
    const Bytes answer{0xFF, 0x03, 0x04, 0x12, 0x00, 0x4F, 0xBD, 0xAA, 0xBB};
    EarlyWait wait(3, result, [&] { moduleSends(answer); });
    dev.setIoWait(&wait);
    std::uint8_t buf[16] = {};
    std::size_t got = 0;
    EXPECT_TRUE(dev.read(buf, answer.size(), got));
    EXPECT_EQ(dev.lastError(), 0);
    EXPECT_EQ(Bytes(buf, buf + got), answer);
    EXPECT_GT(wait.m_calls, 3);
    dev.close();
  }
}
}  // namespace

// The adapter misbehaving below the protocol: it vanishes in the middle of a
// long read, and another configurator process holds the same port.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "model/register_map.h"
#include "tests/hardening/pty_view_fixture.h"

namespace {

double cpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

class Adapter : public ::testing::Test, public PtyViewFixture {
 protected:
  void SetUp() override { startAll(); }
  void TearDown() override { stopAll(); }
};

TEST_F(Adapter, VanishingInTheMiddleOfAReadOf150OrdersEndsTheReadAndThePortOpensAgainWhenItIsBack) {
  sim->setOrders(150);
  view->OnSelectDevice();
  // The adapter disappears when the module is asked for order 80.
  SimFaultRule rule;
  rule.fault = SimFault::Vanish;
  rule.startRegister = orderRecordStart(80);
  sim->addFault(rule);

  view->OnReadParameters();
  // The attempts after the hang-up fail at the write: the write's message,
  // then the read's own.
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{6, 56}));
  EXPECT_EQ(prompt.m_waitDepth, 0);
  EXPECT_FALSE(view->paramsRead());
  EXPECT_EQ(view->configForm().orderCount(), 0);
  EXPECT_EQ(textOf(ids::kOrderCount), "150");
  EXPECT_TRUE(view->isPortOpen());  // a failed transaction never closes the port

  // Idle with the device gone: the process does not spin. A spinning loop
  // takes a whole core on an idle machine; the bound is wide so that a
  // sanitizer build or a loaded machine does not reach it.
  QElapsedTimer wall;
  wall.start();
  const double cpuBefore = cpuSeconds();
  QTest::qWait(1000);
  const double cpu = cpuSeconds() - cpuBefore;
  EXPECT_LT(cpu, 0.5 * double(wall.elapsed()) / 1000.0) << "CPU seconds while idle: " << cpu;

  // A command on the vanished device fails at once and leaves it usable.
  prompt.clear();
  view->OnReadFirmwareVersion();
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{6, 66}));

  view->OnDisconnect();
  EXPECT_FALSE(view->isPortOpen());
  ASSERT_TRUE(pty->reappear()) << pty->lastError();
  prompt.clear();
  view->OnConnectCom(1);
  ASSERT_TRUE(view->isPortOpen()) << ::testing::PrintToString(prompt.texts());
  view->OnReadParameters();
  EXPECT_EQ(prompt.numbers(), std::vector<int>{57});
  EXPECT_EQ(view->configForm().orderCount(), 150);
  EXPECT_EQ(view->configForm().orderText(149, 0), "150");
  EXPECT_TRUE(view->paramsRead());
}

// A port_holder process on the module's port, talked to through its
// standard input and output. Every answer is awaited with a time limit, so
// that a holder that hangs fails the test instead of holding it until the
// ctest time-out.
class Holder {
 public:
  explicit Holder(const std::string& path) {
    const char* program = std::getenv("TQ_PORT_HOLDER");  // a copy of the program, when run from one
    if (!program) program = TQ_PORT_HOLDER;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::execl(program, program, path.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_to = in[1];
    m_from = out[0];
  }
  ~Holder() {
    kill();
    if (m_to >= 0) ::close(m_to);
    if (m_from >= 0) ::close(m_from);
  }
  // The next line the holder printed; "<eof>" when it ended, "<timeout>"
  // when nothing came within 10 s.
  std::string line() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::size_t end;
    while ((end = m_pending.find('\n')) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return "<timeout>";
      pollfd p{m_from, POLLIN, 0};
      const int r = ::poll(&p, 1, static_cast<int>(left.count()));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return r == 0 ? "<timeout>" : "<eof>";
      char buf[256];
      const ssize_t n = ::read(m_from, buf, sizeof buf);
      if (n <= 0) return "<eof>";
      m_pending.append(buf, std::size_t(n));
    }
    std::string s = m_pending.substr(0, end);
    m_pending.erase(0, end + 1);
    return s;
  }
  void send(const std::string& command) {
    const std::string text = command + "\n";
    ASSERT_EQ(::write(m_to, text.data(), text.size()), ssize_t(text.size()));
  }
  void kill() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
  int m_to = -1;
  int m_from = -1;
  std::string m_pending;
};

constexpr const char* kOpenFailed = "message 2||Failed to open port(COM).";

TEST_F(Adapter, ASecondProcessOnTheSamePortGetsMessage2WhileTheFirstKeepsWorking) {
  Holder second(env.ports.path(1));
  EXPECT_EQ(second.line(), kOpenFailed);

  view->OnReadFirmwareVersion();
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Product code: 302010301\nProgram revision: 1.5"});
}

TEST_F(Adapter, ThePortOpensAgainAfterTheProcessHoldingItIsKilled) {
  view->OnDisconnect();
  Holder first(env.ports.path(1));
  ASSERT_EQ(first.line(), "open");

  view->OnConnectCom(1);
  EXPECT_EQ(prompt.numbers(), std::vector<int>{2});
  EXPECT_FALSE(view->isPortOpen());
  first.send("firmware");
  EXPECT_EQ(first.line(), "firmware 302010301 1.5");

  // The holder dies without closing the port. As with a real serial device,
  // nothing of its exclusive hold survives it (a process that is not root
  // would otherwise be refused for good).
  first.kill();
  ASSERT_TRUE(pty->waitUntilReleased());
  prompt.clear();
  view->OnConnectCom(1);
  ASSERT_TRUE(view->isPortOpen()) << ::testing::PrintToString(prompt.texts());
  view->OnReadFirmwareVersion();
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Product code: 302010301\nProgram revision: 1.5"});
}

}  // namespace

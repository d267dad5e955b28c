// The adapter misbehaving below the protocol: it vanishes in the middle of a
// long read, and another configurator process holds the same port.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <string>

#include "model/register_map.h"
#include "tests/hardening/pty_view_fixture.h"

namespace {

double cpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
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
  EXPECT_EQ(textOf(ctl::kOrderCount), "150");
  EXPECT_TRUE(view->isPortOpen());  // a failed transaction never closes the port

  // Idle with the device gone: the process uses (almost) no CPU.
  QElapsedTimer wall;
  wall.start();
  const double cpuBefore = cpuSeconds();
  QTest::qWait(400);
  const double cpu = cpuSeconds() - cpuBefore;
  EXPECT_LT(cpu, 0.25 * double(wall.elapsed()) / 1000.0) << "CPU seconds while idle: " << cpu;

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
// standard input and output.
class Holder {
 public:
  explicit Holder(const std::string& path) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[0]);
      ::close(in[1]);
      ::close(out[0]);
      ::close(out[1]);
      ::execl(TQ_PORT_HOLDER, TQ_PORT_HOLDER, path.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_to = ::fdopen(in[1], "w");
    m_from = ::fdopen(out[0], "r");
  }
  ~Holder() {
    kill();
    if (m_to) std::fclose(m_to);
    if (m_from) std::fclose(m_from);
  }
  std::string line() {
    char buf[256];
    if (!m_from || !std::fgets(buf, sizeof buf, m_from)) return "<eof>";
    std::string s(buf);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  void send(const std::string& command) {
    std::fputs((command + "\n").c_str(), m_to);
    std::fflush(m_to);
  }
  void kill() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
  FILE* m_to = nullptr;
  FILE* m_from = nullptr;
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

  first.kill();
  prompt.clear();
  view->OnConnectCom(1);
  ASSERT_TRUE(view->isPortOpen()) << ::testing::PrintToString(prompt.texts());
  view->OnReadFirmwareVersion();
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Product code: 302010301\nProgram revision: 1.5"});
}

}  // namespace

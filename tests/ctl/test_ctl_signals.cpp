// tq740ctl against paced simulated modules: a late answer never shifts a
// backup, and every signal that can end a write, and a trace reader that
// goes away, leave the module holding the old or the new configuration
// entirely.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "ctl/ctl_app.h"
#include "tests/ctl/ctl_run.h"
#include "model/register_map.h"
#include "sim/pty_module.h"

namespace {

using ctltest::contentOf;
using ctltest::ctl;
using ctltest::Result;


// A module that paces its answers at 9600 baud, as a real one does.
class PacedModule {
 public:
  PacedModule() : m_sim(std::make_shared<SimModule>()), m_pty(m_sim, paced()) { EXPECT_TRUE(m_pty.start()); }
  SimModule& sim() { return *m_sim; }
  PtyModule& pty() { return m_pty; }
  const std::string& path() const { return m_pty.slavePath(); }

 private:
  static PtyModule::Options paced() {
    PtyModule::Options o;
    o.pace = true;
    return o;
  }
  std::shared_ptr<SimModule> m_sim;
  PtyModule m_pty;
};

class CtlSignals : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/tq740ctl-signals-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string m_dir;
};

// The 10th request's answer comes only after the retry went out, then the
// retry's answer follows, both at the line's speed: the backup is the one a
// clean read makes, byte for byte, or the read fails. It never holds the
// record of the order before.
TEST_F(CtlSignals, ALateAnswerNeverShiftsTheBackup) {
  PacedModule clean, late;
  for (PacedModule* m : {&clean, &late}) {
    m->sim().setOrders(20);
    for (int i = 0; i < 20; ++i)
      m->sim().setRegister(orderRecordStart(i) + 2, static_cast<std::uint16_t>(1 + i));
  }
  SimFaultRule rule;
  rule.fault = SimFault::LateAnswer;
  rule.request = 10;
  late.sim().addFault(rule);

  const std::string good = m_dir + "/clean.json", backup = m_dir + "/late.json";
  ASSERT_EQ(ctl({"read", "--port", clean.path(), "-o", good}).code, 0);
  const Result r = ctl({"read", "--port", late.path(), "-o", backup});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(contentOf(backup), contentOf(good));
  // Request 10 went out three times: the silent first attempt, the retry
  // whose answers crossed, and the one that was answered alone.
  EXPECT_EQ(late.sim().requests().size(), clean.sim().requests().size() + 2);
}

// Two seconds into a 150-order write (the module has finished 40 requests),
// a signal arrives. Every one of them lets the write finish; SIGPIPE is
// ignored altogether. Either way the module holds the new configuration.
TEST_F(CtlSignals, EverySignalLetsTheWriteFinish) {
  PacedModule source;
  source.sim().setOrders(kMaxOrders);
  source.sim().setRegister(reg::kMasterPoolTime, 1234);
  const std::string backup = m_dir + "/backup.json";
  ASSERT_EQ(ctl({"read", "--port", source.path(), "-o", backup}).code, 0);

  for (int sig : {SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
    SCOPED_TRACE(sig);
    PacedModule target;
    target.sim().setOrders(3);
    std::thread interrupter([&] {
      if (target.pty().waitForRequestsDone(40)) ::kill(::getpid(), sig);
    });
    const Result r = ctl({"write", "--port", target.path(), backup});
    interrupter.join();
    for (int reg = 4; reg <= 29; ++reg) {
      if (reg >= 15 && reg <= 18) continue;  // not written
      ASSERT_EQ(target.sim().registerValue(reg), source.sim().registerValue(reg)) << reg;
    }
    for (int reg = orderRecordStart(0); reg < orderRecordStart(kMaxOrders); ++reg)
      ASSERT_EQ(target.sim().registerValue(reg), source.sim().registerValue(reg)) << reg;
    if (sig == SIGPIPE) {
      EXPECT_EQ(r.code, 0) << r.err;
    } else {
      EXPECT_EQ(r.code, 1);
      EXPECT_NE(r.err.find("Interrupted: the write was finished"), std::string::npos) << r.err;
    }
  }
}

// tq740ctl write --trace - 2>&1 | head -n 40: the reader of the trace goes
// away in the middle of the write. The write goes on to its end, and the
// lost trace is said (where standard error still leads somewhere).
TEST_F(CtlSignals, ATraceReaderThatGoesAwayDoesNotCutTheWrite) {
  PacedModule source;
  source.sim().setOrders(kMaxOrders);
  source.sim().setRegister(reg::kMasterPoolTime, 4321);
  const std::string backup = m_dir + "/backup.json";
  ASSERT_EQ(ctl({"read", "--port", source.path(), "-o", backup}).code, 0);
  PacedModule target;
  target.sim().setOrders(3);

  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
    ::close(p[0]);
    ::dup2(p[1], STDERR_FILENO);
    ::execl(TQ740CTL, TQ740CTL, "write", "--port", target.path().c_str(), "--trace", "-", backup.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(p[1]);
  // head -n 40
  int lines = 0;
  char c = 0;
  while (lines < 40 && ::read(p[0], &c, 1) == 1) lines += c == '\n';
  ::close(p[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 2);  // the transfer succeeded, the trace did not
  for (int reg = orderRecordStart(0); reg < orderRecordStart(kMaxOrders); ++reg)
    ASSERT_EQ(target.sim().registerValue(reg), source.sim().registerValue(reg)) << reg;
  EXPECT_EQ(target.sim().registerValue(reg::kMasterPoolTime), 4321);
}

}  // namespace

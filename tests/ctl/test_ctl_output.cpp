// tq740ctl at the limits of its files: every command reports a standard
// output that cannot be written (full, closed, a reader gone) and exits 1,
// rather than claiming success; a write-protected -o is refused, not
// replaced; an input just over the size limit is refused.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "ctl/ctl_app.h"
#include "model/configuration.h"
#include "model/configuration_json.h"
#include "sim/sim_module.h"
#include "tests/support/fixed_port_discovery.h"

namespace {

// A standard output whose every write fails, as on a full disk.
class FullBuf : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

class CtlOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/tq740ctl-output-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
    SimModule other;
    other.setOrders(4);
    m_file = m_dir + "/a.json";
    m_other = m_dir + "/b.json";
    std::ofstream(m_file) << config_json::write(Configuration::fromImage(SimModule().image(), 3));
    std::ofstream(m_other) << config_json::write(Configuration::fromImage(other.image(), 4));
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string m_dir, m_file, m_other;
};

TEST_F(CtlOutput, EveryCommandReportsAnOutputThatFails) {
  const FixedPortDiscovery discovery({{"/dev/ttyUSB0", "usb-FTDI_TQ740-if00-port0", "FT232R", "FTDI", "A1"}});
  const std::vector<std::vector<std::string>> commands = {
      {"firmware", "--simulate"},
      {"read", "--simulate"},
      {"read", "--simulate", "-o", "-"},
      {"diff", "--simulate", "OTHER"},
      {"diff", "FILE", "OTHER"},  // differences: exit 1 already, and still said
      {"write", "--dry-run", "FILE"},
      {"ports"},
      {"--help"},
  };
  for (std::vector<std::string> args : commands) {
    for (std::string& a : args) a = a == "FILE" ? m_file : a == "OTHER" ? m_other : a;
    std::string line;
    for (const std::string& a : args) line += a + " ";
    SCOPED_TRACE(line);
    // First with a working output: the command prints something.
    std::ostringstream out, err;
    const int good = runCtl(args, CtlStreams{out, err, false}, discovery);
    ASSERT_FALSE(out.str().empty());
    FullBuf full;
    std::ostream failing(&full);
    std::ostringstream failErr;
    const int code = runCtl(args, CtlStreams{failing, failErr, false}, discovery);
    EXPECT_EQ(code, 1);
    EXPECT_NE(failErr.str().find("tq740ctl: cannot write to standard output"), std::string::npos)
        << failErr.str();
    EXPECT_LE(good, 1);
  }
}

// The program itself, for what only a process shows: /dev/full, a closed
// standard output, and a pipe whose reader has gone (SIGPIPE is ignored and
// the failed write reported).
TEST_F(CtlOutput, TheProgramReportsFullClosedAndBrokenOutputs) {
  const std::string errFile = m_dir + "/err";
  const auto shell = [&](const std::string& args, const std::string& redirect) {
    const std::string cmd =
        std::string("'") + TQ740CTL + "' " + args + " " + redirect + " 2>'" + errFile + "'";
    const int status = std::system(cmd.c_str());
    std::ifstream in(errFile);
    std::ostringstream s;
    s << in.rdbuf();
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), s.str());
  };
  const std::string commands[] = {"firmware --simulate", "write --dry-run '" + m_file + "'", "--help",
                                  "read --simulate"};
  for (const std::string& c : commands) {
    for (const std::string redirect : {">/dev/full", ">&-"}) {
      SCOPED_TRACE(c + " " + redirect);
      const auto [code, err] = shell(c, redirect);
      EXPECT_EQ(code, 1);
      EXPECT_NE(err.find("cannot write to standard output"), std::string::npos) << err;
    }
  }
  // A pipe whose reader has gone before anything is written: without
  // SIGPIPE ignored, the program would die of it silently.
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  ::close(p[0]);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
    ::dup2(p[1], STDOUT_FILENO);
    const int errFd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(errFd, STDERR_FILENO);
    ::execl(TQ740CTL, TQ740CTL, "read", "--simulate", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(p[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream in(errFile);
  std::ostringstream s;
  s << in.rdbuf();
  EXPECT_NE(s.str().find("cannot write to standard output: Broken pipe"), std::string::npos) << s.str();
}

TEST_F(CtlOutput, WriteProtectedOutputsAndOversizedInputsAreRefused) {
  const std::string kept = m_dir + "/kept.json";
  std::ofstream(kept) << "old";
  ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
  std::ostringstream out, err;
  EXPECT_EQ(runCtl({"read", "--simulate", "-o", kept}, CtlStreams{out, err, false}), 2);
  EXPECT_NE(err.str().find("tq740ctl: cannot write " + kept +
                           ": is write-protected (mode 0444); it was not replaced\n"),
            std::string::npos)
      << err.str();
  std::ifstream in(kept);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "old");

  const std::string big = m_dir + "/big.json";
  std::ofstream(big) << std::string(1024 * 1024 + 1, ' ');
  std::ostringstream out2, err2;
  EXPECT_EQ(runCtl({"write", "--dry-run", big}, CtlStreams{out2, err2, false}), 2);
  EXPECT_NE(err2.str().find("is larger than 1024 KiB"), std::string::npos) << err2.str();
}

}  // namespace

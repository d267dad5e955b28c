// The simulated module served over a real pseudo-terminal, driven with raw
// descriptors: requests in, answers out, paced or not, and the device
// vanishing as a pulled adapter does.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/pty_module.h"
#include "tests/sim/hex.h"
#include "tests/support/temp_dir.h"

namespace {
// A client end of the terminal, as a serial port program would hold it.
class RawClient {
 public:
  explicit RawClient(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return;
    termios t{};
    ::tcgetattr(m_fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_fd, TCSANOW, &t);
  }
  ~RawClient() {
    if (m_fd >= 0) ::close(m_fd);
  }
  bool ok() const { return m_fd >= 0; }
  int fd() const { return m_fd; }
  void send(const std::string& hexText) {
    const std::vector<std::uint8_t> b = bytes(hexText);
    ASSERT_EQ(::write(m_fd, b.data(), b.size()), ssize_t(b.size()));
  }
  // Reads until n bytes arrived, the line hangs up or the guard time passes
  // (the guard only keeps a broken module from hanging the test).
  std::vector<std::uint8_t> receive(std::size_t n, bool* hungUp = nullptr) {
    std::vector<std::uint8_t> got;
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < n && std::chrono::steady_clock::now() < guard) {
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      std::uint8_t buf[256];
      const ssize_t r = ::read(m_fd, buf, sizeof buf);
      if (r > 0) {
        got.insert(got.end(), buf, buf + r);
      } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
        if (hungUp) *hungUp = true;
        break;
      }
    }
    return got;
  }

 private:
  int m_fd = -1;
};

const char* const kReadIdentity = "FF030000000451D7";
const char* const kIdentityAnswer = "FF030812004FBD00010005D10E";
}  // namespace

class PtyServing : public ::testing::TestWithParam<bool> {};

TEST_P(PtyServing, AnswersRequestsArrivingInPiecesAndAfterNoise) {
  PtyModule::Options o;
  o.pace = GetParam();
  // Unpaced, the two pieces below must not count as separate frames however
  // long the machine pauses between them.
  o.partialFrameTimeout = std::chrono::hours(1);
  PtyModule pty(std::make_shared<SimModule>(), o);
  ASSERT_TRUE(pty.start()) << pty.lastError();
  RawClient c(pty.slavePath());
  ASSERT_TRUE(c.ok());

  c.send(kReadIdentity);
  EXPECT_EQ(hex(c.receive(13)), kIdentityAnswer);

  if (!o.pace) {
    // One request in two writes. (Paced, a pause of 3.5 characters between
    // them ends the frame, as on the wire, and a loaded machine may pause.)
    c.send("FF100004");
    c.send("00010012344307");
  } else {
    c.send("FF10000400010012344307");
  }
  EXPECT_EQ(hex(c.receive(8)), "FF100004000155D6");

  c.send(std::string("0055AA") + kReadIdentity);  // noise before the request
  EXPECT_EQ(hex(c.receive(13)), kIdentityAnswer);

  EXPECT_EQ(pty.module().registerValue(4), 0x1234);
  ASSERT_EQ(pty.module().requests().size(), 3u);
  EXPECT_EQ(hex(pty.module().requests()[1].raw), "FF10000400010012344307");
}

INSTANTIATE_TEST_SUITE_P(Pacing, PtyServing, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Paced" : "Unpaced"; });

TEST(PtyModule, KeepsServingAfterTheClientClosesAndReopens) {
  PtyModule pty(std::make_shared<SimModule>());
  ASSERT_TRUE(pty.start());
  {
    RawClient first(pty.slavePath());
    first.send(kReadIdentity);
    EXPECT_EQ(hex(first.receive(13)), kIdentityAnswer);
  }
  RawClient second(pty.slavePath());
  second.send(kReadIdentity);
  EXPECT_EQ(hex(second.receive(13)), kIdentityAnswer);
}

TEST(PtyModule, VanishHangsUpAndReappearServesOnANewTerminal) {
  const TempDir dir("tq740-sim");
  ASSERT_TRUE(dir.ok());
  const std::string link = dir.file("ttyTQ");
  PtyModule::Options o;
  o.linkPath = link;
  PtyModule pty(std::make_shared<SimModule>(), o);
  ASSERT_TRUE(pty.start());
  char target[PATH_MAX] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(pty.slavePath(), target);

  RawClient c(link);
  ASSERT_TRUE(c.ok());
  pty.vanish();
  EXPECT_TRUE(pty.vanished());
  bool hungUp = false;
  EXPECT_TRUE(c.receive(1, &hungUp).empty());
  EXPECT_TRUE(hungUp);
  EXPECT_NE(::access(link.c_str(), F_OK), 0);  // the link went with the device

  ASSERT_TRUE(pty.reappear());
  EXPECT_FALSE(pty.vanished());
  RawClient again(link);
  again.send(kReadIdentity);
  EXPECT_EQ(hex(again.receive(13)), kIdentityAnswer);
  pty.stop();
  EXPECT_NE(::access(link.c_str(), F_OK), 0);
}

// --link replaces only a link to the module's own terminal: a file or a link
// to anything else stays as it was, and the module does not start.
TEST(PtyModule, LinkRefusesToReplaceAFileThatIsNotItsOwnLink) {
  const TempDir dir("tq740-sim");
  ASSERT_TRUE(dir.ok());
  const std::string elsewhere = dir.file("elsewhere");
  for (const bool regularFile : {true, false}) {
    SCOPED_TRACE(regularFile ? "regular file" : "link elsewhere");
    const std::string link = dir.file("ttyTQ");
    if (regularFile) {
      std::FILE* f = std::fopen(link.c_str(), "w");
      ASSERT_NE(f, nullptr);
      std::fclose(f);
    } else {
      ASSERT_EQ(::symlink(elsewhere.c_str(), link.c_str()), 0);
    }
    PtyModule::Options o;
    o.linkPath = link;
    PtyModule pty(std::make_shared<SimModule>(), o);
    EXPECT_FALSE(pty.start());
    EXPECT_EQ(pty.lastError(),
              "cannot link " + link + ": it exists and is not a link to this module's terminal");
    char target[PATH_MAX] = {};
    if (regularFile)
      EXPECT_LT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    else
      EXPECT_EQ(std::string(target, std::size_t(::readlink(link.c_str(), target, sizeof target - 1))),
                elsewhere);
    ASSERT_EQ(::unlink(link.c_str()), 0);
  }
}

TEST(PtyModule, VanishFaultHangsUpInsteadOfAnswering) {
  auto module = std::make_shared<SimModule>();
  module->addFault({SimFault::Vanish, 2, std::nullopt, 1, 0});
  PtyModule pty(module);
  ASSERT_TRUE(pty.start());
  RawClient c(pty.slavePath());
  c.send(kReadIdentity);
  EXPECT_EQ(hex(c.receive(13)), kIdentityAnswer);
  c.send(kReadIdentity);
  bool hungUp = false;
  EXPECT_TRUE(c.receive(13, &hungUp).empty());
  EXPECT_TRUE(hungUp);  // the vanished flag follows the hang-up from the module thread
}

// A long delay is a poll() time-out: stop() ends it at once instead of
// waiting out the minute (a sleeping module would hold the test until the
// ctest time-out).
TEST(PtyModule, StopInterruptsADelayedAnswer) {
  using std::chrono::steady_clock;
  auto module = std::make_shared<SimModule>();
  module->addFault({SimFault::Delay, 0, std::nullopt, 1, 60'000});
  PtyModule::Options o;
  o.pace = true;
  PtyModule pty(module, o);
  ASSERT_TRUE(pty.start());
  RawClient c(pty.slavePath());
  c.send(kReadIdentity);
  const auto guard = steady_clock::now() + std::chrono::seconds(10);
  while (module->requests().empty() && steady_clock::now() < guard) {
    pollfd none{-1, 0, 0};
    ::poll(&none, 0, 1);  // the request reaches the module's thread
  }
  ASSERT_EQ(module->requests().size(), 1u);
  const auto before = steady_clock::now();
  pty.stop();
  // Far below the minute, far above any pause of a loaded machine.
  EXPECT_LT(steady_clock::now() - before, std::chrono::seconds(10));
}

// Like a real serial device, the terminal keeps no exclusive flag once its
// last client has gone, even when the client left it set: anyone, not only
// root, can open the port again. While another client still has it open,
// the flag stays.
TEST(PtyModule, ExclusiveFlagEndsWithItsLastClient) {
  PtyModule pty(std::make_shared<SimModule>());
  ASSERT_TRUE(pty.start());
  const auto exclusive = [](int fd) {
    int on = -1;
    return ::ioctl(fd, TIOCGEXCL, &on) == 0 ? on : -1;
  };
  auto other = std::make_unique<RawClient>(pty.slavePath());
  {
    RawClient holder(pty.slavePath());
    ASSERT_TRUE(holder.ok() && other->ok());
    ASSERT_EQ(::ioctl(holder.fd(), TIOCEXCL), 0);
    other.reset();
    // The module has dealt with the close before it answers a request that
    // came after it.
    holder.send(kReadIdentity);
    EXPECT_EQ(hex(holder.receive(13)), kIdentityAnswer);
    EXPECT_EQ(exclusive(holder.fd()), 1) << "cleared while its holder still has the port";
  }  // closed without TIOCNXCL, as by a holder that died
  ASSERT_TRUE(pty.waitUntilReleased());
  RawClient next(pty.slavePath());
  ASSERT_TRUE(next.ok()) << std::strerror(errno);
  EXPECT_EQ(exclusive(next.fd()), 0);
  next.send(kReadIdentity);
  EXPECT_EQ(hex(next.receive(13)), kIdentityAnswer);
}

// The program's own arguments: values that its help does not offer, or
// that would do nothing, are refused with one line and exit status 2
// instead of serving a module unlike the one asked for.
TEST(SimProgram, RefusesArgumentsItCannotHonour) {
  struct Case {
    const char* args;
    const char* firstLine;
  };
  const Case cases[] = {
      {"--master-mode 2", "tq740-sim: --master-mode needs 0 (Normal mode) or 1 (Catch mode)"},
      {"--fault no-answer:times=0",
       "tq740-sim: \"times=0\" in \"no-answer:times=0\" would never inject the fault; use 1 or more, or all"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    // timeout: a program that serves instead of refusing ends the case, not the run.
    const char* program = std::getenv("TQ_SIM_PROGRAM");  // a copy of the program, when run from one
    const std::string command =
        std::string("timeout 10 ") + (program ? program : TQ_SIM_PROGRAM) + " " + c.args + " 2>&1 >/dev/null";
    FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    char line[512] = {};
    const bool got = std::fgets(line, sizeof line, out) != nullptr;
    const int status = ::pclose(out);
    ASSERT_TRUE(got);
    std::string first(line);
    if (!first.empty() && first.back() == '\n') first.pop_back();
    EXPECT_EQ(first, c.firstLine);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
  }
}

namespace {
// A FIFO as the frame log (with or without a reader) is refused at the
// start, rather than blocking the module before it serves.
TEST(PtyModule, AFifoAsTheFrameLogIsRefusedAtOnce) {
  char dirTemplate[] = "/tmp/tq-sim-log-XXXXXX";
  ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
  const std::string fifo = std::string(dirTemplate) + "/log";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  PtyModule::Options options;
  options.logPath = fifo;
  PtyModule pty(std::make_shared<SimModule>(), options);
  EXPECT_FALSE(pty.start());
  EXPECT_EQ(pty.lastError(),
            "cannot open the frame log " + fifo + ": is a FIFO; a trace or log must be a file or a terminal");
  ::unlink(fifo.c_str());
  ::rmdir(dirTemplate);
}
}  // namespace

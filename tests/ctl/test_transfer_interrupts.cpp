// Signals during a write, raised at chosen transactions against a scripted
// port that answers as the simulated module does: every signal that can end
// tq740ctl is caught, nothing is written when it comes before the first
// block, and the "(N blocks left)" count is exact.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "ctl/transfer_interrupts.h"
#include "link/modbus_master.h"
#include "model/register_map.h"
#include "ops/configuration_transfer.h"
#include "ops/device_operations.h"
#include "sim/sim_module.h"
#include "tests/support/fake_port.h"
#include "tests/support/recording_prompt.h"

namespace {

struct WriteRun {
  SimModule module;
  RegisterImage image;
  RecordingPrompt prompt;
  FakePort fake{prompt};
  ModbusMaster master{image, prompt};
  ops::OperationObserver console;  // progress goes nowhere
  std::vector<std::string> said;
  Configuration config;

  // The module answers every request; raiseAt[k] is the signal raised while
  // the k-th request (from 0) is on the line.
  explicit WriteRun(std::vector<std::pair<int, int>> raiseAt) {
    module.setOrders(3);
    SimModule source;
    source.setOrders(10);
    source.setRegister(reg::kMasterPoolTime, 4321);
    config = Configuration::fromImage(source.image(), 10);
    master.setPort(&fake.port);
    fake.script->responder = [this, raiseAt](const std::vector<std::uint8_t>& request) {
      const int k = static_cast<int>(fake.script->requests.size()) - 1;
      for (const auto& [at, sig] : raiseAt)
        if (at == k) std::raise(sig);
      return module.handle(request.data(), request.size()).bytes;
    };
  }

  OperationResult run() {
    ConfigurationTransfer source(config);
    TransferInterrupts observer(TransferInterrupts::Transfer::Write, console,
                                [this](const std::string& line) { said.push_back(line); });
    DeviceLink link{master, prompt, &observer};
    return writeConfiguration(link, source);
  }

  int writes() const {
    int n = 0;
    for (const SimRequest& r : module.requests()) n += r.function == 16;
    return n;
  }
};

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// An interrupt during the identity read: the write stops before its first
// block, the module keeps its configuration entirely, and nothing is said
// about blocks left.
TEST(TransferInterrupts, BeforeTheFirstBlockNothingIsWritten) {
  for (int sig : kSignals) {
    SCOPED_TRACE(sig);
    WriteRun w({{0, sig}});
    const RegisterImage before = w.module.image();
    const OperationResult r = w.run();
    EXPECT_TRUE(r.stopped());
    EXPECT_TRUE(r.written.empty());
    EXPECT_EQ(r.writtenText(), "nothing");
    EXPECT_EQ(w.writes(), 0);
    EXPECT_TRUE(w.said.empty());
    for (std::size_t reg = 0; reg < RegisterImage::kSize; ++reg)
      ASSERT_EQ(w.module.image().get(reg), before.get(reg));
  }
}

// One interrupt during the 5th transaction (the 4th block): the write goes
// on to the end, and the count it names is exactly the blocks sent after it.
// A second one stops after the current block.
TEST(TransferInterrupts, AfterTheFirstBlockOneFinishesAndTwoStop) {
  for (int sig : kSignals) {
    SCOPED_TRACE(sig);
    WriteRun finish({{4, sig}});
    const OperationResult done = finish.run();
    EXPECT_TRUE(static_cast<bool>(done));
    EXPECT_EQ(finish.writes(), 2 + 10);
    // 1 identity read + 12 blocks; the 5th transaction is done when it is
    // asked, so transactions 6 to 13 are left.
    ASSERT_EQ(finish.said.size(), 1u);
    EXPECT_NE(finish.said[0].find("(8 blocks left)"), std::string::npos) << finish.said[0];
    EXPECT_EQ(finish.writes() - 4, 8);

    WriteRun stop({{4, sig}, {6, sig}});
    const OperationResult stopped = stop.run();
    EXPECT_TRUE(stopped.stopped());
    EXPECT_EQ(stop.writes(), 6);
    EXPECT_EQ(stopped.written.size(), 6u);
  }
}

}  // namespace

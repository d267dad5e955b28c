// tq740-sim: a simulated TQ-740-0 in configuration mode on a pseudo-terminal.
// Prints the slave path and serves until SIGINT or SIGTERM.

#include <signal.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/pty_module.h"
#include "sim/sim_module.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
  SimProgramOptions options;
  if (const std::optional<int> code =
          parseSimArgs(std::vector<std::string>(argv + 1, argv + argc), options, std::cout, std::cerr))
    return *code;
  auto module = std::make_shared<SimModule>();
  if (options.extraAddress) module->setExtraAddress(*options.extraAddress);
  for (const SimFaultRule& rule : options.faults) module->addFault(rule);
  if (options.orders) module->setOrders(*options.orders);
  if (options.masterMode) module->setMasterMode(*options.masterMode);
  for (const auto& [r, val] : options.sets) module->setRegister(r, val);

  // Block the stop signals before the serving thread starts, so that it
  // inherits the mask and only sigwait() below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  PtyModule pty(module, options.pty);
  if (!pty.start()) {
    std::cerr << "tq740-sim: " << pty.lastError() << "\n";
    return 1;
  }
  std::cout << pty.slavePath() << std::endl;

  int sig = 0;
  sigwait(&stopSignals, &sig);
  pty.stop();
  return 0;
}

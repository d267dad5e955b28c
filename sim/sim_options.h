#pragma once
// tq740-sim's command line: its options split by CLI11, each value checked
// with a line of its own, and its help text.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "sim/pty_module.h"
#include "sim/sim_module.h"

struct SimProgramOptions {
  PtyModule::Options pty;
  std::optional<int> orders;
  std::optional<int> masterMode;
  std::optional<int> extraAddress;
  std::vector<std::pair<int, std::uint16_t>> sets;  // in the order given
  std::vector<SimFaultRule> faults;                 // in the order given
};

// Fills o from args (without the program name). Returns an exit code when
// the run ends here: 0 after --help or --version (printed on out), 2 after a
// usage error, which is reported on err in one line and a pointer to --help.
std::optional<int> parseSimArgs(const std::vector<std::string>& args, SimProgramOptions& o, std::ostream& out,
                                std::ostream& err);

std::string simUsageText();

#pragma once
// tq740ctl's command line: the options it takes, how they are split (CLI11)
// and which combinations each command accepts, and its help text.

#include <optional>
#include <string>
#include <vector>

#include "ctl/ctl_app.h"

// What the command line asked for.
struct CtlOptions {
  std::string command;
  std::string port;
  bool simulate = false;
  int simOrders = -1;  // -1: the simulated module's own default
  std::string trace;
  std::string output;
  bool verify = false;
  bool dryRun = false;
  bool force = false;
  std::vector<std::string> files;
};

// Fills o from args (without the program name). Returns an exit code when
// the run ends here: after --help, or after a usage error, which has been
// reported on io.err in one line.
std::optional<int> parseCommandLine(const std::vector<std::string>& args, CtlOptions& o, CtlStreams& io);

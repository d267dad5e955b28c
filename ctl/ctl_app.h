#pragma once
// runCtl: the whole of tq740ctl behind its command line, with standard
// output and standard error passed in so that tests run it in-process.

#include <ostream>
#include <string>
#include <vector>

namespace ctl_exit {
constexpr int kOk = 0;
constexpr int kDevice = 1;  // device or communication error; also "different" for diff and --verify
constexpr int kInput = 2;   // invalid input or usage
}  // namespace ctl_exit

struct CtlStreams {
  std::ostream& out;
  std::ostream& err;
  bool progress = false;  // show progress of long transfers on err (err is a terminal)
};

class PortDiscovery;

// args without the program name. The second form lists the devices of the
// given discovery for the ports command (tests hand in a fixed list).
int runCtl(const std::vector<std::string>& args, CtlStreams io);
int runCtl(const std::vector<std::string>& args, CtlStreams io, const PortDiscovery& discovery);

std::string ctlUsageText();

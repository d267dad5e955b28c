#pragma once
// CommandLine: what the program was asked to do by its arguments. Parsing is
// pure (no I/O) so every case can be tested; main() prints and exits.

#include <string>
#include <vector>

#include "link/serial_port.h"

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string file;             // open this file instead of a new document
  PortMap ports;                // --port N=PATH
  std::vector<bool> portGiven;  // which port numbers --port named (index n-1)
  bool simulate = false;        // --simulate
  std::string trace;            // --trace FILE or "-"
  std::string error;            // one line, for Action::Error

  CommandLine() : portGiven(4, false) {}
  bool portNamed(int n) const { return portGiven.at(static_cast<std::size_t>(n - 1)); }
};

// args excludes the program name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

std::string usageText();
std::string versionText();

// Exit status for a malformed command line.
constexpr int kUsageExitStatus = 2;

// tq740-sim: a simulated TQ-740-0 in configuration mode on a pseudo-terminal.
// Prints the slave path and serves until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/pty_module.h"
#include "sim/sim_module.h"

namespace {
const char* const kUsage =
    "Usage: tq740-sim [options]\n"
    "A simulated TQ-740-0 module in configuration mode: answers Modbus RTU\n"
    "functions 3 and 16 at address 255 on a pseudo-terminal whose path it\n"
    "prints on the first line of standard output. Runs until SIGINT or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --link PATH            also make PATH a symbolic link to the terminal\n"
    "  --pace                 answer at the speed of 9600 baud, 11 bits a character,\n"
    "                         after a 3.5-character silence\n"
    "  --log FILE|-           frame log (\"-\": standard error)\n"
    "  --orders N             N generated master orders (0 to 150; default 3)\n"
    "  --master-mode M        master mode register (0 Normal mode, 1 Catch mode)\n"
    "  --set REG=VALUE        set a register (0 to 1023) to a value (0 to 65535);\n"
    "                         repeatable, applied after --orders and --master-mode\n"
    "  --extra-address A      answer slave address A (1 to 247) as well as 255\n"
    "  --fault KIND[@N][:start=R][:times=T][:ms=D]\n"
    "                         inject a fault into request N (counted from 1; any\n"
    "                         request without @N), only for first register R,\n"
    "                         T times (default 1; \"all\" or -1 for every time;\n"
    "                         not 0),\n"
    "                         with a delay of D ms (delay only; default 700).\n"
    "                         Repeatable. KIND is one of: no-answer, wrong-crc,\n"
    "                         other-address, exception, other-function,\n"
    "                         wrong-byte-count, wrong-echo-start, wrong-echo-count,\n"
    "                         cut-short, delay, late-answer, noise-before,\n"
    "                         garbage-after, vanish (late-answer: the answer comes\n"
    "                         after the retry went out, then the retry's answer,\n"
    "                         both at 9600 baud)\n"
    "  --help                 this text\n";

bool parseInt(const std::string& text, long min, long max, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  if (*end != '\0' || v < min || v > max) return false;
  out = v;
  return true;
}

std::optional<SimFaultRule> parseFault(const std::string& option, std::string& error) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t colon; (colon = option.find(':', from)) != std::string::npos; from = colon + 1)
    parts.push_back(option.substr(from, colon - from));
  parts.push_back(option.substr(from));

  SimFaultRule rule;
  std::string kind = parts[0];
  long v = 0;
  if (const std::size_t at = kind.find('@'); at != std::string::npos) {
    if (!parseInt(kind.substr(at + 1), 1, 1'000'000'000, v)) {
      error = "bad request number in \"" + option + "\"";
      return std::nullopt;
    }
    rule.request = static_cast<int>(v);
    kind = kind.substr(0, at);
  }
  const std::optional<SimFault> fault = simFaultFromName(kind);
  if (!fault || *fault == SimFault::None) {
    error = "unknown fault \"" + kind + "\"";
    return std::nullopt;
  }
  rule.fault = *fault;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string& p = parts[i];
    const std::size_t eq = p.find('=');
    const std::string key = p.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : p.substr(eq + 1);
    bool ok = false;
    if (key == "start") {
      ok = parseInt(value, 0, 65535, v);
      rule.startRegister = static_cast<int>(v);
    } else if (key == "times") {
      ok = value == "all" ? (v = -1, true) : parseInt(value, -1, 1'000'000'000, v);
      if (ok && v == 0) {
        // A fault that never fires: refused rather than silently ignored.
        error = "\"" + p + "\" in \"" + option + "\" would never inject the fault; use 1 or more, or all";
        return std::nullopt;
      }
      rule.times = static_cast<int>(v);
    } else if (key == "ms") {
      ok = parseInt(value, 0, 600'000, v);
      rule.delayMs = static_cast<int>(v);
    }
    if (!ok) {
      error = "bad fault option \"" + p + "\" in \"" + option + "\"";
      return std::nullopt;
    }
  }
  return rule;
}

int usageError(const std::string& why) {
  std::cerr << "tq740-sim: " << why << "\nTry 'tq740-sim --help'.\n";
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  auto module = std::make_shared<SimModule>();
  PtyModule::Options options;
  std::optional<long> orders, masterMode;
  std::vector<std::pair<int, std::uint16_t>> sets;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto next = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string value;
    long v = 0;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--pace") {
      options.pace = true;
    } else if (arg == "--link") {
      if (!next(options.linkPath)) return usageError("--link needs a path");
    } else if (arg == "--log") {
      if (!next(options.logPath)) return usageError("--log needs a file name or -");
    } else if (arg == "--orders") {
      if (!next(value) || !parseInt(value, 0, 150, v)) return usageError("--orders needs a number 0 to 150");
      orders = v;
    } else if (arg == "--master-mode") {
      if (!next(value) || !parseInt(value, 0, 1, v))
        return usageError("--master-mode needs 0 (Normal mode) or 1 (Catch mode)");
      masterMode = v;
    } else if (arg == "--set") {
      long r = 0;
      const std::size_t eq = next(value) ? value.find('=') : std::string::npos;
      if (eq == std::string::npos || !parseInt(value.substr(0, eq), 0, 1023, r) ||
          !parseInt(value.substr(eq + 1), 0, 65535, v))
        return usageError("--set needs REG=VALUE with REG 0 to 1023 and VALUE 0 to 65535");
      sets.emplace_back(static_cast<int>(r), static_cast<std::uint16_t>(v));
    } else if (arg == "--extra-address") {
      if (!next(value) || !parseInt(value, 1, 247, v)) return usageError("--extra-address needs 1 to 247");
      module->setExtraAddress(static_cast<int>(v));
    } else if (arg == "--fault") {
      if (!next(value)) return usageError("--fault needs a fault description");
      std::string error;
      const std::optional<SimFaultRule> rule = parseFault(value, error);
      if (!rule) return usageError(error);
      module->addFault(*rule);
    } else {
      return usageError("unknown option \"" + arg + "\"");
    }
  }
  if (orders) module->setOrders(static_cast<int>(*orders));
  if (masterMode) module->setMasterMode(static_cast<int>(*masterMode));
  for (const auto& [r, val] : sets) module->setRegister(r, val);

  // Block the stop signals before the serving thread starts, so that it
  // inherits the mask and only sigwait() below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  PtyModule pty(module, options);
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

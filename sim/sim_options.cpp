#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <cstdlib>

#include "model/register_map.h"
#include "model/version.h"

namespace {

// A whole decimal number within min..max: "010" is ten.
bool parseInt(const std::string& text, long min, long max, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
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

// The one-line complaint for an option without a usable value.
struct ValueRule {
  const char* option;
  const char* complaint;
};
constexpr ValueRule kValueRules[] = {
    {"--link", "--link needs a path"},
    {"--log", "--log needs a file name or -"},
    {"--orders", "--orders needs a number 0 to 150"},
    {"--master-mode", "--master-mode needs 0 (Normal mode) or 1 (Catch mode)"},
    {"--set", "--set needs REG=VALUE with REG 0 to 1023 and VALUE 0 to 65535"},
    {"--extra-address", "--extra-address needs 1 to 247"},
    {"--fault", "--fault needs a fault description"},
};

std::string complaint(const std::string& option) {
  for (const ValueRule& r : kValueRules)
    if (option == r.option) return r.complaint;
  return {};
}

}  // namespace

std::optional<int> parseSimArgs(const std::vector<std::string>& args, SimProgramOptions& o, std::ostream& out,
                                std::ostream& err) {
  const auto usageError = [&err](const std::string& why) {
    err << "tq740-sim: " << why << "\nTry 'tq740-sim --help'.\n";
    return 2;
  };
  CLI::App app("tq740-sim", "tq740-sim");
  app.set_help_flag();  // --help prints our own text, below
  bool help = false, version = false;
  std::string orders, masterMode, extraAddress;
  std::vector<std::string> sets, faults;
  const auto last = CLI::MultiOptionPolicy::TakeLast;
  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
  app.add_flag("--pace", o.pty.pace);
  app.add_option("--link", o.pty.linkPath)->multi_option_policy(last);
  app.add_option("--log", o.pty.logPath)->multi_option_policy(last);
  app.add_option("--orders", orders)->multi_option_policy(last);
  app.add_option("--master-mode", masterMode)->multi_option_policy(last);
  app.add_option("--extra-address", extraAddress)->multi_option_policy(last);
  app.add_option("--set", sets);
  app.add_option("--fault", faults);
  app.allow_extras();

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    // A value missing at the end of the line, or a flag given a value.
    const std::string what = e.what();
    for (const ValueRule& r : kValueRules)
      if (what.find(std::string(r.option) + " ") != std::string::npos ||
          what.find(std::string(r.option) + ":") != std::string::npos || what.ends_with(r.option))
        return usageError(r.complaint);
    return usageError(what);
  }
  if (help) {
    out << simUsageText();
    return 0;
  }
  if (version) {
    out << kVersionLine;
    return 0;
  }
  for (const std::string& extra : app.remaining()) return usageError("unknown option \"" + extra + "\"");
  for (const char* name : {"--link", "--log"})
    if (app.count(name) > 0 && app.get_option(name)->as<std::string>().empty())
      return usageError(complaint(name));

  long v = 0;
  if (app.count("--orders") > 0) {
    if (!parseInt(orders, 0, kMaxOrders, v)) return usageError(complaint("--orders"));
    o.orders = static_cast<int>(v);
  }
  if (app.count("--master-mode") > 0) {
    if (!parseInt(masterMode, 0, 1, v)) return usageError(complaint("--master-mode"));
    o.masterMode = static_cast<int>(v);
  }
  if (app.count("--extra-address") > 0) {
    if (!parseInt(extraAddress, 1, 247, v)) return usageError(complaint("--extra-address"));
    o.extraAddress = static_cast<int>(v);
  }
  for (const std::string& value : sets) {
    long r = 0;
    const std::size_t eq = value.find('=');
    if (eq == std::string::npos || !parseInt(value.substr(0, eq), 0, 1023, r) ||
        !parseInt(value.substr(eq + 1), 0, 65535, v))
      return usageError(complaint("--set"));
    o.sets.emplace_back(static_cast<int>(r), static_cast<std::uint16_t>(v));
  }
  for (const std::string& value : faults) {
    std::string error;
    const std::optional<SimFaultRule> rule = parseFault(value, error);
    if (!rule) return usageError(error);
    o.faults.push_back(*rule);
  }
  return std::nullopt;
}

std::string simUsageText() {
  return "Usage: tq740-sim [OPTION]...\n"
         "A simulated TQ-740-0 module in configuration mode: answers Modbus RTU\n"
         "functions 3 and 16 at address 255 on a pseudo-terminal whose path it\n"
         "prints on the first line of standard output. Runs until SIGINT or SIGTERM.\n"
         "\n"
         "Options:\n"
         "  --link PATH            also make PATH a symbolic link to the terminal; a\n"
         "                         file already there is replaced only when it is such\n"
         "                         a link to the terminal\n"
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
         "                         request without @N), only for first register R, T\n"
         "                         times (default 1, not 0; \"all\" or -1: every time),\n"
         "                         with a delay of D ms (delay only; default 700).\n"
         "                         Repeatable. KIND is one of: no-answer, wrong-crc,\n"
         "                         other-address, exception, other-function,\n"
         "                         wrong-byte-count, wrong-echo-start, wrong-echo-count,\n"
         "                         cut-short, delay, late-answer, noise-before,\n"
         "                         garbage-after, vanish, ignore-write (late-answer:\n"
         "                         the answer comes after the retry went out, then the\n"
         "                         retry's answer, both at 9600 baud; ignore-write:\n"
         "                         answers a write without storing it)\n"
         "  --help                 show this help and exit\n"
         "  --version              show the version and exit\n"
         "Numbers are decimal.\n";
}

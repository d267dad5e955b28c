#include "ctl/command_line.h"

#include <CLI/CLI.hpp>

#include "model/register_map.h"
#include "model/version.h"

namespace {

// A usage problem: one line naming it, and where to look.
int usage(CtlStreams& io, const std::string& text) {
  io.err << "tq740ctl: " << text << "\nTry 'tq740ctl --help'.\n";
  return ctl_exit::kInput;
}

// The one-line complaint for an option given without its value.
std::string missingValue(const std::string& option) {
  if (option == "--port") return "--port needs a device path";
  if (option == "--trace") return "--trace needs a file name or -";
  if (option == "--sim-orders") return "--sim-orders needs a number from 0 to " + std::to_string(kMaxOrders);
  return "-o needs a file name, or - for standard output";
}

// A value CLI11 accepts for --port, --trace and -o: not empty, and for -o
// not the "--" that ends the options.
CLI::Validator nonEmpty(bool allowDashDash) {
  return CLI::Validator(
      [allowDashDash](std::string& v) { return v.empty() || (!allowDashDash && v == "--") ? "empty" : ""; },
      "");
}

}  // namespace

// Parses the arguments with CLI11, which checks the options' values, the
// command's choice and presence, and the options that exclude or need each
// other; which option belongs to which command and how many files each takes
// is checked below. Each problem is said in a line of its own.
std::optional<int> parseCommandLine(const std::vector<std::string>& args, CtlOptions& o, CtlStreams& io) {
  CLI::App app("tq740ctl", "tq740ctl");
  app.set_help_flag();  // --help prints our own text, below
  const auto last = CLI::MultiOptionPolicy::TakeLast;
  app.add_flag("-h,--help");
  app.add_flag("--version");
  CLI::Option* port = app.add_option("--port", o.port)->multi_option_policy(last)->check(nonEmpty(true));
  app.add_option("--trace", o.trace)->multi_option_policy(last)->check(nonEmpty(true));
  app.add_option("-o,--output", o.output)->multi_option_policy(last)->check(nonEmpty(false));
  CLI::Option* simOrders = app.add_option("--sim-orders", o.simOrders)
                               ->multi_option_policy(last)
                               ->check(CLI::Range(0, kMaxOrders));
  CLI::Option* simulate = app.add_flag("--simulate", o.simulate);
  CLI::Option* verify = app.add_flag("--verify", o.verify);
  CLI::Option* dryRun = app.add_flag("--dry-run", o.dryRun);
  app.add_flag("--force", o.force);
  app.add_option("command", o.command)
      ->required()
      ->check(CLI::IsMember({"firmware", "read", "write", "diff", "ports", "timing"}));
  app.add_option("files", o.files);
  port->excludes(simulate);
  simOrders->needs(simulate);
  verify->excludes(dryRun);
  app.allow_extras();

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  std::optional<std::string> problem;
  // Said after the options that belong to another command.
  bool verifyWithDryRun = false;
  try {
    app.parse(reversed);
  } catch (const CLI::RequiredError&) {
    problem = "no command given";
  } catch (const CLI::ExcludesError& e) {
    // CLI11 stops at the first broken rule; a missing command is said first.
    if (o.command.empty())
      problem = "no command given";
    else if (std::string(e.what()).find("--port") != std::string::npos)
      problem = "--port and --simulate exclude each other";
    else
      verifyWithDryRun = true;
  } catch (const CLI::RequiresError&) {
    problem = o.command.empty() ? "no command given" : "--sim-orders needs --simulate";
  } catch (const CLI::ParseError& e) {
    // A value missing, empty or out of range, or a command not known.
    const std::string what = e.what();
    const std::vector<std::string>& command = app.get_option("command")->results();
    if (what.rfind("command", 0) == 0 && !command.empty()) problem = "unknown command " + command.front();
    for (const char* name : {"--port", "--trace", "--output", "--sim-orders"})
      if (!problem && what.find(name) != std::string::npos) problem = missingValue(name);
    if (!problem) problem = what;
  }
  // --help and --version win over whatever else the line holds.
  if (app.count("--help") > 0) {
    io.out << ctlUsageText();
    return ctl_exit::kOk;
  }
  if (app.count("--version") > 0) {
    io.out << kVersionLine;
    return ctl_exit::kOk;
  }
  // What CLI11 did not take: unknown options (it keeps the "--" that ended
  // the options there too).
  for (const std::string& extra : app.remaining())
    if (extra.size() > 1 && extra[0] == '-' && extra != "--") return usage(io, "unknown option " + extra);
  if (problem) return usage(io, *problem);

  const std::string& c = o.command;
  const bool device = !o.port.empty() || o.simulate;
  if (!o.output.empty() && c != "read") return usage(io, "-o belongs to read");
  if ((o.verify || o.dryRun) && c != "write") return usage(io, "--verify and --dry-run belong to write");
  if (verifyWithDryRun) return usage(io, "--verify and --dry-run exclude each other");

  if (c == "ports") {
    if (!o.files.empty()) return usage(io, "ports takes no file name");
    if (device) return usage(io, "ports lists the devices itself: no --port or --simulate");
  } else if (c == "firmware" || c == "read") {
    if (!o.files.empty()) return usage(io, c + " takes no file name");
    if (!device) return usage(io, c + " needs --port PATH or --simulate");
  } else if (c == "write") {
    if (o.files.size() != 1) return usage(io, "write needs exactly one file name");
    if (!device && !o.dryRun) return usage(io, "write needs --port PATH or --simulate");
  } else if (c == "timing") {
    if (device && !o.files.empty()) return usage(io, "timing takes a file name or --port PATH, not both");
    if (!device && o.files.size() != 1) return usage(io, "timing needs one file name, or --port PATH");
  } else {  // diff
    if (device && o.files.size() != 1) return usage(io, "diff with a module needs exactly one file name");
    if (!device && o.files.size() != 2) return usage(io, "diff needs two file names, or --port PATH and one");
  }
  return std::nullopt;
}

std::string ctlUsageText() {
  return "Usage: tq740ctl COMMAND [OPTION]... [FILE]...\n"
         "Backup, restore and verification of a TQ-740-0 module's configuration.\n"
         "\n"
         "Commands:\n"
         "  firmware --port PATH          print product code and program revision\n"
         "  read --port PATH [-o FILE]    read the whole configuration as JSON\n"
         "                                (standard output without -o, or with -o -)\n"
         "  write --port PATH FILE        check FILE and write it to the module; orders\n"
         "                                the order editor would refuse, and orders that\n"
         "                                cannot fit in the master timeout, are warned about\n"
         "      --verify                  read everything back and compare\n"
         "      --dry-run                 show the transactions only; no port is used\n"
         "      --force                   write to a module with another product code\n"
         "  diff --port PATH FILE         differences module -> FILE\n"
         "  diff FILE1 FILE2              differences FILE1 -> FILE2\n"
         "  timing FILE | timing --port PATH\n"
         "                                the least time each master order of COM4 takes on\n"
         "                                the wire, against the master timeout\n"
         "  ports                         list serial devices: path, stable name, description\n"
         "\n"
         "Options of every command:\n"
         "  --port PATH       the serial port the module is on, e.g. /dev/ttyUSB0 or a\n"
         "                    /dev/serial/by-id/... name that ports lists\n"
         "  --simulate        use a built-in simulated module instead of a port\n"
         "  --sim-orders N    give the simulated module N master orders (0 to 150)\n"
         "  --trace FILE      log every frame and message to FILE (- for standard error)\n"
         "  --force           answer Yes to the question about a foreign product code\n"
         "  --help            show this help\n"
         "  --version         show the version\n"
         "\n"
         "Exit status: 0 success (diff: no difference); 1 device or communication error,\n"
         "a difference found by diff or --verify, an interrupt (Ctrl+C), a module\n"
         "with another product code refused, or standard output that cannot be\n"
         "written; 2 invalid input or usage.\n";
}

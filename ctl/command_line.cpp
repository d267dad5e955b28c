#include "ctl/command_line.h"

#include <CLI/CLI.hpp>
#include <cstdlib>

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

}  // namespace

// Parses the arguments with CLI11; returns an exit code when the run ends
// here. CLI11 splits the words (options with "--opt VALUE" or "--opt=VALUE",
// "--" ending the options); which option belongs to which command and how
// many files each takes is checked below, each with a line of its own.
std::optional<int> parseCommandLine(const std::vector<std::string>& args, CtlOptions& o, CtlStreams& io) {
  CLI::App app("tq740ctl", "tq740ctl");
  app.set_help_flag();  // --help prints our own text, below
  bool help = false, version = false;
  std::string simOrders;
  std::vector<std::string> words;
  const auto last = CLI::MultiOptionPolicy::TakeLast;
  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
  app.add_option("--port", o.port)->multi_option_policy(last);
  app.add_option("--trace", o.trace)->multi_option_policy(last);
  app.add_option("-o,--output", o.output)->multi_option_policy(last);
  app.add_option("--sim-orders", simOrders)->multi_option_policy(last);
  app.add_flag("--simulate", o.simulate);
  app.add_flag("--verify", o.verify);
  app.add_flag("--dry-run", o.dryRun);
  app.add_flag("--force", o.force);
  app.add_option("words", words);
  app.allow_extras();

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    // A value missing at the end of the line, or a flag given a value.
    const std::string what = e.what();
    for (const char* name : {"--port", "--trace", "--output", "--sim-orders"})
      if (what.find(name) != std::string::npos) return usage(io, missingValue(name));
    return usage(io, what);
  }
  if (help) {
    io.out << ctlUsageText();
    return ctl_exit::kOk;
  }
  if (version) {
    io.out << kVersionLine;
    return ctl_exit::kOk;
  }
  // What CLI11 did not take: unknown options, and the words after "--".
  bool optionsEnded = false;
  for (const std::string& extra : app.remaining()) {
    if (!optionsEnded && extra == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && extra.size() > 1 && extra[0] == '-') {
      return usage(io, "unknown option " + extra);
    } else {
      words.push_back(extra);
    }
  }
  for (const char* name : {"--port", "--trace", "--output"}) {
    const CLI::Option* opt = app.get_option(name);
    if (opt->count() > 0 && opt->as<std::string>().empty()) return usage(io, missingValue(name));
  }
  // "-o --": the end of the options is no file name.
  if (app.count("--output") > 0 && o.output == "--") return usage(io, missingValue("--output"));
  if (app.count("--sim-orders") > 0) {
    char* end = nullptr;
    const long n = std::strtol(simOrders.c_str(), &end, 10);
    if (simOrders.empty() || *end != '\0' || n < 0 || n > kMaxOrders)
      return usage(io, missingValue("--sim-orders"));
    o.simOrders = static_cast<int>(n);
  }
  if (!words.empty()) {
    o.command = words.front();
    o.files.assign(words.begin() + 1, words.end());
  }

  const std::string& c = o.command;
  if (c.empty()) return usage(io, "no command given");
  if (c != "firmware" && c != "read" && c != "write" && c != "diff" && c != "ports" && c != "timing")
    return usage(io, "unknown command " + c);
  if (!o.port.empty() && o.simulate) return usage(io, "--port and --simulate exclude each other");
  if (o.simOrders >= 0 && !o.simulate) return usage(io, "--sim-orders needs --simulate");
  const bool device = !o.port.empty() || o.simulate;
  if (!o.output.empty() && c != "read") return usage(io, "-o belongs to read");
  if ((o.verify || o.dryRun) && c != "write") return usage(io, "--verify and --dry-run belong to write");
  if (o.verify && o.dryRun) return usage(io, "--verify and --dry-run exclude each other");

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
         "a difference found by diff or --verify, an interrupt (Ctrl+C), or a module\n"
         "with another product code refused; 2 invalid input or usage.\n";
}

#include "ctl/ctl_app.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "ctl/config_document.h"
#include "ctl/console_prompt.h"
#include "ctl/device_session.h"
#include "link/frame_trace.h"
#include "sim/pty_module.h"

namespace {

struct Options {
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

// A usage problem: one line naming it, and where to look.
int usage(CtlStreams& io, const std::string& text) {
  io.err << "tq740ctl: " << text << "\nTry 'tq740ctl --help'.\n";
  return ctl_exit::kInput;
}

// Parses the arguments; returns an exit code when the run ends here.
std::optional<int> parse(const std::vector<std::string>& args, Options& o, CtlStreams& io) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      if (o.command.empty())
        o.command = a;
      else
        o.files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    // Options with a value accept "--opt VALUE" and "--opt=VALUE".
    std::string v;
    const auto value = [&](std::initializer_list<const char*> names) -> int {
      for (const std::string name : names) {
        if (a == name) {
          if (i + 1 >= args.size()) return -1;
          v = args[++i];
          return 1;
        }
        if (name.size() > 2 && a.rfind(name + "=", 0) == 0) {
          v = a.substr(name.size() + 1);
          return 1;
        }
      }
      return 0;
    };
    int r = 0;
    if ((r = value({"--port"})) != 0) {
      if (r < 0 || v.empty()) return usage(io, "--port needs a device path");
      o.port = v;
    } else if ((r = value({"--trace"})) != 0) {
      if (r < 0 || v.empty()) return usage(io, "--trace needs a file name or -");
      o.trace = v;
    } else if ((r = value({"-o", "--output"})) != 0) {
      if (r < 0 || v.empty()) return usage(io, "-o needs a file name");
      o.output = v;
    } else if ((r = value({"--sim-orders"})) != 0) {
      char* end = nullptr;
      const long n = r > 0 ? std::strtol(v.c_str(), &end, 10) : -1;
      if (r < 0 || v.empty() || *end != '\0' || n < 0 || n > kMaxOrders)
        return usage(io, "--sim-orders needs a number from 0 to " + std::to_string(kMaxOrders));
      o.simOrders = static_cast<int>(n);
    } else if (a == "--simulate") {
      o.simulate = true;
    } else if (a == "--verify") {
      o.verify = true;
    } else if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--help" || a == "-h") {
      io.out << ctlUsageText();
      return ctl_exit::kOk;
    } else {
      return usage(io, "unknown option " + a);
    }
  }

  const std::string& c = o.command;
  if (c.empty()) return usage(io, "no command given");
  if (c != "firmware" && c != "read" && c != "write" && c != "diff") return usage(io, "unknown command " + c);
  if (!o.port.empty() && o.simulate) return usage(io, "--port and --simulate exclude each other");
  if (o.simOrders >= 0 && !o.simulate) return usage(io, "--sim-orders needs --simulate");
  const bool device = !o.port.empty() || o.simulate;
  if (!o.output.empty() && c != "read") return usage(io, "-o belongs to read");
  if ((o.verify || o.dryRun) && c != "write") return usage(io, "--verify and --dry-run belong to write");
  if (o.verify && o.dryRun) return usage(io, "--verify and --dry-run exclude each other");

  if (c == "firmware" || c == "read") {
    if (!o.files.empty()) return usage(io, c + " takes no file name");
    if (!device) return usage(io, c + " needs --port PATH or --simulate");
  } else if (c == "write") {
    if (o.files.size() != 1) return usage(io, "write needs exactly one file name");
    if (!device && !o.dryRun) return usage(io, "write needs --port PATH or --simulate");
  } else {  // diff
    if (device && o.files.size() != 1) return usage(io, "diff with a module needs exactly one file name");
    if (!device && o.files.size() != 2) return usage(io, "diff needs two file names, or --port PATH and one");
  }
  return std::nullopt;
}

bool readFile(const std::string& path, std::string& text, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = std::strerror(errno);
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) {
    why = "read error";
    return false;
  }
  text = s.str();
  return true;
}

// Writes the whole text or nothing: a half-written backup is worse than none.
bool writeFileAtomically(const std::string& path, const std::string& text, std::string& why) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !(out << text) || !out.flush()) {
      why = std::strerror(errno);
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    why = std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

// Reads and parses a configuration file; prints one line per problem.
bool loadDocument(const std::string& path, ConfigDocument::Mode mode, ConfigDocument& doc, CtlStreams& io) {
  std::string text, why;
  if (!readFile(path, text, why)) {
    io.err << "tq740ctl: cannot read " << path << ": " << why << '\n';
    return false;
  }
  std::vector<std::string> problems;
  if (ConfigDocument::parse(text, mode, doc, problems)) return true;
  for (const std::string& p : problems) io.err << path << ": " << p << '\n';
  return false;
}

// The module of a run: a real port or a simulated module on a pseudo-terminal.
class Target {
 public:
  bool start(const Options& o, CtlStreams& io) {
    if (!o.simulate) {
      m_path = o.port;
      return true;
    }
    auto module = std::make_shared<SimModule>();
    if (o.simOrders >= 0) module->setOrders(o.simOrders);
    m_sim = std::make_unique<PtyModule>(module);
    if (!m_sim->start()) {
      io.err << "tq740ctl: cannot start the simulated module\n";
      return false;
    }
    m_path = m_sim->slavePath();
    return true;
  }
  const std::string& path() const { return m_path; }

 private:
  std::unique_ptr<PtyModule> m_sim;
  std::string m_path;
};

class Run {
 public:
  Run(const Options& o, CtlStreams& io) : m_o(o), m_io(io), m_console(io.err, o.force) {}

  int exec() {
    if (m_o.command == "write") return write();
    if (m_o.command == "diff" && m_o.files.size() == 2) return diffFiles();
    if (!connect()) return m_exit;
    if (m_o.command == "firmware") return firmware();
    if (m_o.command == "read") return read();
    return diffModule();
  }

 private:
  // Opens the trace, the target and the port. m_exit tells why it failed.
  bool connect() {
    if (!m_o.trace.empty()) {
      m_trace = FrameTrace::open(m_o.trace);
      if (!m_trace) {
        m_io.err << "tq740ctl: cannot open the trace file " << m_o.trace << '\n';
        m_exit = ctl_exit::kInput;
        return false;
      }
    }
    m_exit = ctl_exit::kDevice;
    if (!m_target.start(m_o, m_io)) return false;
    m_prompt = std::make_unique<TracingPrompt>(m_console, m_trace.get());
    m_session = std::make_unique<DeviceSession>(*m_prompt, m_target.path(), m_trace.get());
    return m_session->open();
  }

  Progress progress(const char* what) {
    if (!m_io.progress) return {};
    return [this, what](int done, int total) {
      m_io.err << '\r' << what << ' ' << done << '/' << total << (done == total ? "\n" : "") << std::flush;
    };
  }

  int firmware() {
    std::int32_t code = 0;
    std::string revision;
    if (!m_session->readFirmware(code, revision)) return ctl_exit::kDevice;
    m_io.out << "Product code: " << code << "\nProgram revision: " << revision << '\n';
    return ctl_exit::kOk;
  }

  int read() {
    ConfigDocument doc;
    if (!m_session->readConfiguration(doc, progress("reading orders"))) return ctl_exit::kDevice;
    const std::string json = doc.toJson();
    if (m_o.output.empty()) {
      m_io.out << json;
      return ctl_exit::kOk;
    }
    std::string why;
    if (!writeFileAtomically(m_o.output, json, why)) {
      m_io.err << "tq740ctl: cannot write " << m_o.output << ": " << why << '\n';
      return ctl_exit::kInput;
    }
    return ctl_exit::kOk;
  }

  int write() {
    const std::string& file = m_o.files.front();
    ConfigDocument doc;
    if (!loadDocument(file, ConfigDocument::Mode::Strict, doc, m_io)) return refuse(file);
    const std::vector<std::string> problems = doc.validate(FieldLimits{});
    for (const std::string& p : problems) m_io.err << file << ": " << p << '\n';
    if (!problems.empty()) return refuse(file);

    const bool normalMode = doc.value(reg::kMasterMode) == 0;
    if (!normalMode && !doc.orders.empty())
      m_io.err << "Master mode \"Catch mode\": the " << doc.orders.size()
               << " order records are not written, only their number.\n";
    if (m_o.dryRun) return dryRun(doc);

    if (!connect()) return m_exit;
    if (!m_session->writeConfiguration(doc, progress("writing"))) return ctl_exit::kDevice;
    if (!m_o.verify) return ctl_exit::kOk;

    ConfigDocument back;
    if (!m_session->readConfiguration(back, progress("verifying orders"))) return ctl_exit::kDevice;
    // Order records are compared only where they were written.
    const std::vector<std::string> diff = differences(doc, back, normalMode);
    if (diff.empty()) {
      m_io.err << "Verified: the module holds " << file << ".\n";
      return ctl_exit::kOk;
    }
    m_io.err << "Verify failed: " << diff.size() << " difference(s) between " << file << " and the module:\n";
    for (const std::string& d : diff) m_io.err << "  " << d << '\n';
    return ctl_exit::kDevice;
  }

  int refuse(const std::string& file) {
    m_io.err << "tq740ctl: " << file << " is invalid; nothing was written.\n";
    return ctl_exit::kInput;
  }

  int dryRun(const ConfigDocument& doc) {
    m_io.out << "Dry run: nothing is sent to the module.\n"
             << "read  start " << block::kIdentity.start << ", count " << block::kIdentity.count
             << " (product code check)\n";
    for (const PlannedWrite& w : writePlan(doc)) {
      m_io.out << "write start " << w.start << ", count " << w.values.size() << ":";
      for (std::uint16_t v : w.values) m_io.out << ' ' << v;
      m_io.out << '\n';
    }
    return ctl_exit::kOk;
  }

  int printDifferences(const ConfigDocument& left, const ConfigDocument& right) {
    const std::vector<std::string> diff = differences(left, right);
    for (const std::string& d : diff) m_io.out << d << '\n';
    return diff.empty() ? ctl_exit::kOk : ctl_exit::kDevice;
  }

  int diffFiles() {
    ConfigDocument left, right;
    const bool ok = loadDocument(m_o.files[0], ConfigDocument::Mode::Lenient, left, m_io);
    if (!loadDocument(m_o.files[1], ConfigDocument::Mode::Lenient, right, m_io) || !ok)
      return ctl_exit::kInput;
    return printDifferences(left, right);
  }

  int diffModule() {
    ConfigDocument file;
    if (!loadDocument(m_o.files[0], ConfigDocument::Mode::Lenient, file, m_io)) return ctl_exit::kInput;
    ConfigDocument module;
    if (!m_session->readConfiguration(module, progress("reading orders"))) return ctl_exit::kDevice;
    return printDifferences(module, file);
  }

  const Options& m_o;
  CtlStreams& m_io;
  ConsolePrompt m_console;
  std::unique_ptr<FrameTrace> m_trace;
  std::unique_ptr<TracingPrompt> m_prompt;
  Target m_target;
  std::unique_ptr<DeviceSession> m_session;
  int m_exit = ctl_exit::kOk;
};

}  // namespace

int runCtl(const std::vector<std::string>& args, CtlStreams io) {
  Options o;
  if (std::optional<int> done = parse(args, o, io)) return *done;
  Run run(o, io);
  return run.exec();
}

std::string ctlUsageText() {
  return "Usage: tq740ctl COMMAND [OPTION]... [FILE]...\n"
         "Backup, restore and verification of a TQ-740-0 module's configuration.\n"
         "\n"
         "Commands:\n"
         "  firmware --port PATH          print product code and program revision\n"
         "  read --port PATH [-o FILE]    read the whole configuration as JSON\n"
         "                                (standard output unless -o FILE)\n"
         "  write --port PATH FILE        check FILE and write it to the module\n"
         "      --verify                  read everything back and compare\n"
         "      --dry-run                 show the transactions only; no port is used\n"
         "      --force                   write to a module with another product code\n"
         "  diff --port PATH FILE         differences module -> FILE\n"
         "  diff FILE1 FILE2              differences FILE1 -> FILE2\n"
         "\n"
         "Options of every command:\n"
         "  --port PATH       the serial port the module is on, e.g. /dev/ttyUSB0\n"
         "  --simulate        use a built-in simulated module instead of a port\n"
         "  --sim-orders N    give the simulated module N master orders (0 to 150)\n"
         "  --trace FILE      log every frame and message to FILE (- for standard error)\n"
         "  --force           answer Yes to the question about a foreign product code\n"
         "  --help            show this help\n"
         "\n"
         "Exit status: 0 success (diff: no difference); 1 device or communication error,\n"
         "or a difference found by diff or --verify; 2 invalid input or usage.\n";
}

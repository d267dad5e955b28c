#include "ctl/ctl_app.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

#include "ctl/command_line.h"
#include "ctl/console_progress.h"
#include "ctl/console_prompt.h"
#include "ctl/device_session.h"
#include "ctl/transfer_interrupts.h"
#include "link/frame_trace.h"
#include "link/system_port_discovery.h"
#include "model/configuration.h"
#include "model/configuration_json.h"
#include "model/safe_file.h"
#include "model/wire_timing.h"
#include "ops/configuration_transfer.h"
#include "ops/device_operations.h"
#include "sim/sim_serial_device.h"

namespace {

// Reads and parses a configuration file exactly as every command does;
// prints one line per problem.
bool loadConfiguration(const std::string& path, Configuration& config, std::ostream& err) {
  std::string text, why;
  if (!safe_file::read(path, text, why)) {
    err << "tq740ctl: cannot read " << path << ": " << why << '\n';
    return false;
  }
  std::vector<std::string> problems;
  if (config_json::read(text, config, problems)) return true;
  for (const std::string& p : problems) err << path << ": " << p << '\n';
  return false;
}

// The module of a run: a real port, or the simulated module served inside
// this process, which needs no pseudo-terminal and so works on every platform.
class Target {
 public:
  void start(const CtlOptions& o) {
    if (!o.simulate) {
      m_path = o.port;
      return;
    }
    m_sim = std::make_shared<SimModule>();
    if (o.simOrders >= 0) m_sim->setOrders(o.simOrders);
    m_path = "simulated module";
  }
  const std::string& path() const { return m_path; }
  // Makes the port's device: the system's serial port when empty.
  SerialDeviceFactory devices() const {
    if (!m_sim) return {};
    return [sim = m_sim] { return std::make_unique<SimSerialDevice>(sim); };
  }

 private:
  std::shared_ptr<SimModule> m_sim;
  std::string m_path;
};

class Run {
 public:
  Run(const CtlOptions& o, CtlStreams& io)
      : m_o(o), m_io(io), m_console(io.err, o.force), m_progress(io.err, io.progress) {
    m_console.beforeMessage = [this] { m_progress.endLine(); };
  }

  int exec() {
    int code = run();
    m_progress.endLine();
    // A trace that failed on the way is reported; the transfer went on.
    if (m_trace && m_trace->failed()) {
      m_io.err << "tq740ctl: writing the trace " << m_o.trace << " failed; it is incomplete\n";
      if (code == ctl_exit::kOk) code = ctl_exit::kInput;
    }
    return code;
  }

 private:
  int run() {
    if (m_o.command == "write") return write();
    if (m_o.command == "diff" && m_o.files.size() == 2) return diffFiles();
    if (m_o.command == "timing" && !m_o.files.empty()) return timingOfFile();
    if (!connect()) return m_exit;
    if (m_o.command == "firmware") return firmware();
    if (m_o.command == "read") return read();
    if (m_o.command == "timing") return timingOfModule();
    return diffModule();
  }

  // Standard error, after the progress line has been ended.
  std::ostream& err() {
    m_progress.endLine();
    return m_io.err;
  }

  bool openTrace() {
    if (m_o.trace.empty()) return true;
    if (m_o.trace == "-") {
      m_trace = std::make_unique<FrameTrace>(m_io.err);
      return true;
    }
    std::string why;
    m_trace = FrameTrace::open(m_o.trace, why);
    if (!m_trace) {
      err() << "tq740ctl: cannot open the trace file " << m_o.trace << ": " << why << '\n';
      return false;
    }
    return true;
  }

  // Opens the trace, the target and the port. m_exit tells why it failed.
  bool connect() {
    if (!openTrace()) {
      m_exit = ctl_exit::kInput;
      return false;
    }
    m_exit = ctl_exit::kDevice;
    m_target.start(m_o);
    m_prompt = std::make_unique<TracingPrompt>(m_console, m_trace.get());
    m_session =
        std::make_unique<DeviceSession>(*m_prompt, m_target.path(), m_trace.get(), m_target.devices());
    return m_session->open();
  }

  DeviceLink link() { return m_session->link(&m_progress); }

  // Interrupts during a transfer: the progress line goes on, and what they
  // do is said on standard error.
  TransferInterrupts interrupts(TransferInterrupts::Transfer transfer) {
    return TransferInterrupts(transfer, m_progress,
                              [this](const std::string& line) { err() << line << '\n'; });
  }

  // Reads the module's whole configuration; an interrupt stops the read
  // after the current transaction, and nothing is written then.
  bool readModule(Configuration& config) {
    ConfigurationTransfer target(config);
    TransferInterrupts observer = interrupts(TransferInterrupts::Transfer::Read);
    DeviceLink l = m_session->link(&observer);
    const OperationResult result = readConfiguration(l, target);
    if (result.stopped()) err() << "Interrupted: the read was stopped; no output was written.\n";
    return static_cast<bool>(result);
  }

  int firmware() {
    DeviceLink l = link();
    if (!queryFirmware(l)) return ctl_exit::kDevice;
    m_io.out << firmwareReport(m_session->image()) << '\n';
    return ctl_exit::kOk;
  }

  int read() {
    Configuration config;
    if (!readModule(config)) return ctl_exit::kDevice;
    const std::string json = config_json::write(config);
    if (m_o.output.empty() || m_o.output == "-") {
      // A failure to write it is reported when the command ends.
      m_io.out << json;
      return ctl_exit::kOk;
    }
    std::string why;
    if (!safe_file::write(m_o.output, json, why)) {
      err() << "tq740ctl: cannot write " << m_o.output << ": " << why << '\n';
      return ctl_exit::kInput;
    }
    return ctl_exit::kOk;
  }

  int write() {
    const std::string& file = m_o.files.front();
    Configuration config;
    if (!loadConfiguration(file, config, err())) return refuse(file);
    const FieldLimits limits;
    const std::vector<std::string> problems = config.writeProblems(limits);
    for (const std::string& p : problems) err() << file << ": " << p << '\n';
    if (!problems.empty()) return refuse(file);
    // The order editor would refuse these orders, yet the window's Write
    // sends them and the module holds them: they are written, with a note.
    for (const std::string& w : config.orderWarnings(limits)) err() << file << ": warning: " << w << '\n';
    // Orders that cannot be answered within the master timeout: the window
    // asks about them, tq740ctl says the same and writes.
    for (const std::string& w : wire::timingWarning(wire::masterTiming(config)))
      err() << file << ": warning: " << w << '\n';

    const bool normalMode = config.value(reg::kMasterMode) == 0;
    if (!normalMode && !config.orders.empty())
      err() << "Master mode \"Catch mode\": the " << config.orders.size()
            << " order records are not written, only their number.\n";
    if (m_o.dryRun) return dryRun(config);

    if (!connect()) return m_exit;
    ConfigurationTransfer source(config, limits);
    TransferInterrupts observer = interrupts(TransferInterrupts::Transfer::Write);
    DeviceLink l = m_session->link(&observer);
    const OperationResult result = writeConfiguration(l, source, TimingQuestion::Skip);
    if (result.stopped()) err() << "Stopped. Written to the module: " << result.writtenText() << ".\n";
    if (!result) return ctl_exit::kDevice;
    if (observer.interrupted()) {
      err() << "Interrupted: the write was finished; the module holds " << file << ". Stopping here.\n";
      return ctl_exit::kDevice;
    }
    if (!m_o.verify) return ctl_exit::kOk;

    Configuration back;
    if (!readModule(back)) return ctl_exit::kDevice;
    // Order records are compared where they were written; in Catch mode a
    // difference there is reported apart, as the write could not make it.
    const std::vector<std::string> diff = differences(config, back, normalMode);
    if (!diff.empty()) {
      err() << "Verify failed: " << diff.size() << " difference(s) between " << file << " and the module:\n";
      for (const std::string& d : diff) err() << "  " << d << '\n';
      return ctl_exit::kDevice;
    }
    const std::vector<std::string> records = differences(config, back, true);
    if (!records.empty()) {
      err() << "Order records are not written in Catch mode, and the module's order records differ from "
            << file << "'s:\n";
      for (const std::string& d : records) err() << "  " << d << '\n';
      return ctl_exit::kDevice;
    }
    err() << "Verified: the module holds " << file << ".\n";
    return ctl_exit::kOk;
  }

  int refuse(const std::string& file) {
    err() << "tq740ctl: " << file << " is invalid; nothing was written.\n";
    return ctl_exit::kInput;
  }

  int dryRun(const Configuration& config) {
    RegisterImage image;
    config.toImage(image);
    m_io.out << "Dry run: nothing is sent to the module.\n"
             << "read  start " << block::kIdentity.start << ", count " << block::kIdentity.count
             << " (product code check)\n";
    for (const PlannedWrite& w : writePlan(image)) {
      m_io.out << "write start " << w.block.start << ", count " << w.block.count << ":";
      for (int r = w.block.start; r < w.block.start + w.block.count; ++r) m_io.out << ' ' << image.get(r);
      m_io.out << '\n';
    }
    return ctl_exit::kOk;
  }

  int printTiming(const Configuration& config) {
    m_io.out << wire::timingTableText(wire::timingTable(wire::masterTiming(config)));
    return ctl_exit::kOk;
  }

  int timingOfFile() {
    Configuration config;
    if (!loadConfiguration(m_o.files[0], config, err())) return ctl_exit::kInput;
    return printTiming(config);
  }

  int timingOfModule() {
    Configuration config;
    if (!readModule(config)) return ctl_exit::kDevice;
    return printTiming(config);
  }

  int printDifferences(const Configuration& left, const Configuration& right) {
    const std::vector<std::string> diff = differences(left, right);
    for (const std::string& d : diff) m_io.out << d << '\n';
    return diff.empty() ? ctl_exit::kOk : ctl_exit::kDevice;
  }

  int diffFiles() {
    Configuration left, right;
    const bool ok = loadConfiguration(m_o.files[0], left, err());
    if (!loadConfiguration(m_o.files[1], right, err()) || !ok) return ctl_exit::kInput;
    return printDifferences(left, right);
  }

  int diffModule() {
    Configuration file;
    if (!loadConfiguration(m_o.files[0], file, err())) return ctl_exit::kInput;
    Configuration module;
    if (!readModule(module)) return ctl_exit::kDevice;
    return printDifferences(module, file);
  }

  const CtlOptions& m_o;
  CtlStreams& m_io;
  ConsolePrompt m_console;
  ConsoleProgress m_progress;
  std::unique_ptr<FrameTrace> m_trace;
  std::unique_ptr<TracingPrompt> m_prompt;
  Target m_target;
  std::unique_ptr<DeviceSession> m_session;
  int m_exit = ctl_exit::kOk;
};

}  // namespace

// One line a device, fields separated by tabs and "-" for an empty one, so
// that scripts can cut and read them: path, stable name, description.
int listPorts(const PortDiscovery& discovery, std::ostream& out) {
  for (const SerialPortInfo& p : discovery.ports()) {
    const auto field = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
    out << p.path << '\t' << field(p.stableName) << '\t' << field(p.description) << '\n';
  }
  return ctl_exit::kOk;
}

namespace {
int runCommand(const std::vector<std::string>& args, CtlStreams io, const PortDiscovery& discovery) {
  CtlOptions o;
  if (std::optional<int> done = parseCommandLine(args, o, io)) return *done;
  if (o.command == "ports") return listPorts(discovery, io.out);
  Run run(o, io);
  return run.exec();
}
}  // namespace

int runCtl(const std::vector<std::string>& args, CtlStreams io, const PortDiscovery& discovery) {
  ignoreBrokenPipes();
  int code = runCommand(args, io, discovery);
  // Whatever the command printed must have arrived: standard output full,
  // closed or a pipe whose reader went away is an error, for every command,
  // --help included.
  errno = 0;
  io.out.flush();
  if (!io.out) {
    io.err << "tq740ctl: cannot write to standard output"
           << (errno ? std::string(": ") + std::strerror(errno) : std::string()) << '\n';
    if (code == ctl_exit::kOk) code = ctl_exit::kDevice;
  }
  return code;
}

int runCtl(const std::vector<std::string>& args, CtlStreams io) {
  return runCtl(args, io, SystemPortDiscovery());
}

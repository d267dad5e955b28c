// tq_bench: how close our transactions and operations come to the wire, side
// by side with libmodbus against the same simulated module.
//
//   tq_bench            full run (about a minute)
//   tq_bench --quick    fewer iterations, 150 orders skipped (smoke run)
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. The start-up figure
// comes from a second copy of this program (--startup-child) that builds the
// real application object with a paced simulated module attached and exits
// at the first paint of any widget.

#include <modbus.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/ctq740conf_app.h"
#include "app/desktop.h"
#include "app/main_frame.h"
#include "app/qt_io_wait.h"
#include "app/qt_user_prompt.h"
#include "bench/hostile_json_bench.h"
#include "form/ctq740conf_view.h"
#include "link/io_wait.h"
#include "link/modbus_master.h"
#include "link/serial_port.h"
#include "model/register_image.h"
#include "sim/pty_module.h"
#include "sim/sim_module.h"
#include "tests/support/recording_prompt.h"

namespace {

constexpr int kExtraAddress = 17;
constexpr double kCharMs = 11.0 / 9.6;        // one 11-bit character at 9600 baud
constexpr double kSilenceMs = 3.5 * kCharMs;  // the gap that ends a frame

long long nowNs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
}

struct Samples {
  std::vector<double> wallMs;
  double cpuMs = 0;  // total CPU of the calling thread
  int failures = 0;

  double quantile(double q) const {
    if (wallMs.empty()) return 0;
    std::vector<double> s = wallMs;
    std::sort(s.begin(), s.end());
    const auto i = static_cast<std::size_t>(q * static_cast<double>(s.size() - 1) + 0.5);
    return s[std::min(i, s.size() - 1)];
  }
  double median() const { return quantile(0.5); }
  double p99() const { return quantile(0.99); }
  double cpuPer() const { return wallMs.empty() ? 0 : cpuMs / static_cast<double>(wallMs.size()); }
};

template <typename F>
void timeOne(Samples& s, F&& f) {
  const long long c0 = nowNs(CLOCK_THREAD_CPUTIME_ID);
  const long long t0 = nowNs(CLOCK_MONOTONIC);
  const bool ok = f();
  const long long t1 = nowNs(CLOCK_MONOTONIC);
  const long long c1 = nowNs(CLOCK_THREAD_CPUTIME_ID);
  s.wallMs.push_back(static_cast<double>(t1 - t0) / 1e6);
  s.cpuMs += static_cast<double>(c1 - c0) / 1e6;
  if (!ok) ++s.failures;
}

// Our side: the real connection and transaction engine on the slave path.
struct Ours {
  RecordingPrompt prompt;
  RegisterImage image;
  PortMap ports;
  SerialPort port;
  ModbusMaster master;
  explicit Ours(const std::string& path) : port(prompt, {}, ports), master(image, prompt) {
    PortMap p;
    p.setPath(1, path);
    port.setPorts(p);
    port.open_com_port(1);
    master.setPort(&port);
  }
  bool ok() const { return port.isOpen(); }
};

// libmodbus on the same slave path, addressing the module's extra address.
struct Lib {
  modbus_t* ctx = nullptr;
  explicit Lib(const std::string& path) {
    ctx = modbus_new_rtu(path.c_str(), 9600, 'N', 8, 2);
    if (!ctx) return;
    modbus_set_slave(ctx, kExtraAddress);
    modbus_set_response_timeout(ctx, 0, 500'000);
    if (modbus_connect(ctx) != 0) {
      std::fprintf(stderr, "libmodbus: connect failed: %s\n", modbus_strerror(errno));
      modbus_free(ctx);
      ctx = nullptr;
    }
  }
  ~Lib() {
    if (ctx) {
      modbus_close(ctx);
      modbus_free(ctx);
    }
  }
  bool read(int start, int count) {
    std::uint16_t regs[128];
    return modbus_read_registers(ctx, start, count, regs) == count;
  }
  bool write(int start, const std::vector<std::uint16_t>& values) {
    const int n = static_cast<int>(values.size());
    return modbus_write_registers(ctx, start, n, values.data()) == n;
  }
};

void printTxRow(const char* what, const Samples& s, double modelMs) {
  std::printf(
      "  %-10s n=%4zu  median %8.3f ms  p99 %8.3f ms  overhead(median) %7.3f ms  cpu/tx %7.4f ms  failures "
      "%d\n",
      what, s.wallMs.size(), s.median(), s.p99(), s.median() - modelMs, s.cpuPer(), s.failures);
}

struct TxResult {
  Samples ours, lib, window;  // window: ours, waiting as the window does (QtIoWait)
};

TxResult transactions(PtyModule& pty, int n) {
  QtIoWait windowWait;
  TxResult r;
  Ours ours(pty.slavePath());
  Lib lib(pty.slavePath());
  if (!ours.ok() || !lib.ctx) {
    std::fprintf(stderr, "cannot open %s\n", pty.slavePath().c_str());
    std::exit(1);
  }
  // Warm-up: one of each.
  ours.master.read_holding_registers(0, 5, true);
  lib.read(0, 5);
  // Each goes first in every other pair, so that neither always follows
  // the other's answer.
  SerialDevice* device = ours.port.device();
  for (int i = 0; i < n; ++i) {
    auto oursOnce = [&] {
      device->setIoWait(nullptr);
      timeOne(r.ours, [&] { return ours.master.read_holding_registers(0, 5, true); });
    };
    auto windowOnce = [&] {
      device->setIoWait(&windowWait);
      timeOne(r.window, [&] { return ours.master.read_holding_registers(0, 5, true); });
    };
    auto libOnce = [&] { timeOne(r.lib, [&] { return lib.read(0, 5); }); };
    if (i % 2 == 0) {
      oursOnce();
      libOnce();
      windowOnce();
    } else {
      windowOnce();
      libOnce();
      oursOnce();
    }
  }
  device->setIoWait(nullptr);
  return r;
}

// Wire time of a request and its answer, with a 3.5-character silence after
// each frame (the line time a real 9600-baud link needs).
double wireMs(const SimRequest& q) {
  const std::size_t answer = q.function == 3 ? 5 + 2 * std::size_t{q.count} : 8;
  return static_cast<double>(q.raw.size() + answer) * kCharMs + 2 * kSilenceMs;
}

// What the paced module itself takes: request, one silence, answer. The
// silence after the answer is the master's to keep before its next request;
// neither master waits it out (the module does not require it).
double modelMs(const std::vector<SimRequest>& qs) {
  double t = 0;
  for (const SimRequest& q : qs) t += wireMs(q) - kSilenceMs;
  return t;
}

double wireMs(const std::vector<SimRequest>& qs) {
  double t = 0;
  for (const SimRequest& q : qs) t += wireMs(q);
  return t;
}

struct OpResult {
  int orders;
  double readMs, readWire, readModel, libReadMs, libReadWire;
  double writeMs, writeWire, writeModel, libWriteMs, libWriteWire;
  std::size_t readTx, writeTx;
  bool ok;
};

// wait: how the view's port waits (null: plainly in poll()).
OpResult operation(int orders, IoWait* wait) {
  OpResult r{};
  r.orders = orders;
  auto module = std::make_shared<SimModule>();
  module->setOrders(orders);
  module->setExtraAddress(kExtraAddress);
  PtyModule::Options options;
  options.pace = true;
  PtyModule pty(module, options);
  if (!pty.start()) {
    std::fprintf(stderr, "cannot start the paced module: %s\n", pty.lastError().c_str());
    std::exit(1);
  }
  RecordingPrompt prompt;
  ViewEnvironment env;
  env.prompt = &prompt;
  env.ports.setPath(1, pty.slavePath());
  env.ioWait = wait;
  CTQ740confView view(env);
  view.OnInitialUpdate();
  view.show();
  QApplication::processEvents();
  view.OnConnectCom(1);
  view.OnSelectDevice();
  QApplication::processEvents();

  module->clearRequests();
  prompt.clear();
  long long t0 = nowNs(CLOCK_MONOTONIC);
  view.OnReadParameters();
  r.readMs = static_cast<double>(nowNs(CLOCK_MONOTONIC) - t0) / 1e6;
  const std::vector<SimRequest> reads = module->requests();
  const std::vector<int> readBoxes = prompt.numbers();
  r.readWire = wireMs(reads);
  r.readModel = modelMs(reads);
  r.readTx = reads.size();
  QApplication::processEvents();

  module->clearRequests();
  prompt.clear();
  t0 = nowNs(CLOCK_MONOTONIC);
  view.OnWriteParameters();
  r.writeMs = static_cast<double>(nowNs(CLOCK_MONOTONIC) - t0) / 1e6;
  const std::vector<SimRequest> writes = module->requests();
  const std::vector<int> writeBoxes = prompt.numbers();
  r.writeWire = wireMs(writes);
  r.writeModel = modelMs(writes);
  r.writeTx = writes.size();
  view.OnDisconnect();

  r.ok = !readBoxes.empty() && readBoxes.back() == 57 && !writeBoxes.empty() && writeBoxes.back() == 67;
  if (!r.ok) {
    for (int b : readBoxes) std::fprintf(stderr, "read box: message %d\n", b);
    for (const auto& t : prompt.texts()) std::fprintf(stderr, "write box: %s\n", t.c_str());
  }

  // The same frames through libmodbus.
  Lib lib(pty.slavePath());
  if (!lib.ctx) std::exit(1);
  module->clearRequests();
  t0 = nowNs(CLOCK_MONOTONIC);
  for (const SimRequest& q : reads) {
    if (!lib.read(q.start, q.count)) {
      std::fprintf(stderr, "libmodbus read %d+%d: %s\n", q.start, q.count, modbus_strerror(errno));
      r.ok = false;
    }
  }
  r.libReadMs = static_cast<double>(nowNs(CLOCK_MONOTONIC) - t0) / 1e6;
  r.libReadWire = wireMs(module->requests());
  module->clearRequests();
  t0 = nowNs(CLOCK_MONOTONIC);
  for (const SimRequest& q : writes) {
    const bool done = q.function == 3 ? lib.read(q.start, q.count) : lib.write(q.start, q.values);
    if (!done) {
      std::fprintf(stderr, "libmodbus function %d %d+%d: %s\n", q.function, q.start, q.count,
                   modbus_strerror(errno));
      r.ok = false;
    }
  }
  r.libWriteMs = static_cast<double>(nowNs(CLOCK_MONOTONIC) - t0) / 1e6;
  r.libWriteWire = wireMs(module->requests());
  return r;
}

// The longest time between two paint events of the main window while a
// command runs, with a timer asking the window to repaint every 10 ms, as
// the window system does while the user moves something over it. The start
// and the end of the command count as paints.
class PaintGaps : public QObject {
 public:
  explicit PaintGaps(QWidget* window) : m_window(window) {}
  void start() {
    m_last = nowNs(CLOCK_MONOTONIC);
    m_longest = 0;
    m_paints = 0;
  }
  void paint() {
    const long long t = nowNs(CLOCK_MONOTONIC);
    m_longest = std::max(m_longest, t - m_last);
    m_last = t;
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget*>(o)->window() == m_window) {
      ++m_paints;
      paint();
    }
    return QObject::eventFilter(o, e);
  }
  double longestMs() const { return static_cast<double>(m_longest) / 1e6; }
  int paints() const { return m_paints; }

 private:
  QWidget* m_window;
  long long m_last = 0, m_longest = 0;
  int m_paints = 0;
};

struct GapResult {
  double longestMs = 0;
  double commandMs = 0;
  int paints = 0;
};

// The real main window on a paced module; silent: the module never answers,
// and the command is the firmware query (one transaction, 5 time-outs).
GapResult paintGap(int orders, bool silent, IoWait* wait) {
  auto module = std::make_shared<SimModule>();
  module->setOrders(orders);
  if (silent) module->addFault({SimFault::NoAnswer, 0, std::nullopt, -1});
  PtyModule::Options options;
  options.pace = true;
  PtyModule pty(module, options);
  if (!pty.start()) std::exit(1);
  RecordingPrompt prompt;
  QtDesktop desktop;
  AppEnvironment env;
  env.prompt = &prompt;
  env.desktop = &desktop;
  env.ioWait = wait;  // null: the window's own
  env.ports.setPath(1, pty.slavePath());
  GapResult g;
  CTQ740confApp app(env);
  if (!app.InitInstance()) std::exit(1);
  CMainFrame* frame = app.mainFrame();
  frame->action(cmd::kCom1)->trigger();
  frame->action(cmd::kSelectDevice)->trigger();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  PaintGaps gaps(frame);
  qApp->installEventFilter(&gaps);
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, frame, [frame] { frame->update(); });
  repaint.start(10);
  gaps.start();
  const long long t0 = nowNs(CLOCK_MONOTONIC);
  frame->action(silent ? cmd::kReadFirmwareVersion : cmd::kReadParameters)->trigger();
  g.commandMs = static_cast<double>(nowNs(CLOCK_MONOTONIC) - t0) / 1e6;
  gaps.paint();
  repaint.stop();
  qApp->removeEventFilter(&gaps);
  g.longestMs = gaps.longestMs();
  g.paints = gaps.paints();
  const std::vector<int> boxes = prompt.numbers();
  const int expected = silent ? 66 : 57;
  if (boxes.empty() || boxes.back() != expected)
    std::fprintf(stderr, "paint gap run: no message %d\n", expected);
  app.ExitInstance();
  return g;
}

// --startup-child: the real application with a paced simulated module,
// until the first paint. Prints the monotonic time of that paint and the
// peak resident set.
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && !m_seen) {
      m_seen = true;
      const long long t = nowNs(CLOCK_MONOTONIC);
      QTimer::singleShot(0, [t] {
        rusage ru{};
        getrusage(RUSAGE_SELF, &ru);
        std::printf("painted %lld maxrss_kb %ld\n", t, ru.ru_maxrss);
        std::fflush(stdout);
        QApplication::quit();
      });
    }
    return QObject::eventFilter(o, e);
  }

 private:
  bool m_seen = false;
};

int startupChild(int argc, char** argv) {
  QApplication qapp(argc, argv);
  PtyModule::Options options;
  options.pace = true;
  PtyModule simulated(std::make_shared<SimModule>(), options);
  if (!simulated.start()) return 1;
  QtUserPrompt prompt;
  QtDesktop desktop;
  AppEnvironment env;
  env.prompt = &prompt;
  env.desktop = &desktop;
  env.ports.setPath(1, simulated.slavePath());
  FirstPaint filter;
  qapp.installEventFilter(&filter);
  int status = 1;
  {
    CTQ740confApp theApp(env);
    if (theApp.InitInstance()) status = QApplication::exec();
    theApp.ExitInstance();
  }
  return status;
}

struct Startup {
  double ms = 0;
  long maxrssKb = 0;
};

Startup startupOnce(const char* self) {
  Startup s;
  int fds[2];
  if (pipe(fds) != 0) return s;
  const long long t0 = nowNs(CLOCK_MONOTONIC);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execl(self, self, "--startup-child", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  long long painted = 0;
  if (std::sscanf(out.c_str(), "painted %lld maxrss_kb %ld", &painted, &s.maxrssKb) == 2)
    s.ms = static_cast<double>(painted - t0) / 1e6;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0) return startupChild(argc, argv);
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  QApplication qapp(argc, argv);

  const int nUnpaced = quick ? 100 : 1000;
  const int nPaced = quick ? 10 : 200;
  const double modelTx = 23 * kCharMs + kSilenceMs;  // request, silence, answer: as the module paces it

  auto module = std::make_shared<SimModule>();
  module->setExtraAddress(kExtraAddress);
  PtyModule unpaced(module);
  if (!unpaced.start()) return 1;
  std::printf("1. read 5 registers, unpaced module (%d each, interleaved)\n", nUnpaced);
  const TxResult u = transactions(unpaced, nUnpaced);
  printTxRow("ours", u.ours, 0);
  printTxRow("libmodbus", u.lib, 0);
  std::printf("  ratio ours/libmodbus: median %.2f  p99 %.2f  cpu %.2f\n", u.ours.median() / u.lib.median(),
              u.ours.p99() / u.lib.p99(), u.ours.cpuPer() / u.lib.cpuPer());
  unpaced.stop();

  auto pacedModule = std::make_shared<SimModule>();
  pacedModule->setExtraAddress(kExtraAddress);
  PtyModule::Options options;
  options.pace = true;
  PtyModule paced(pacedModule, options);
  if (!paced.start()) return 1;
  std::printf(
      "\n2. read 5 registers, paced module (%d each, interleaved; modelled %.3f ms = 23 chars + 3.5-char "
      "silence)\n",
      nPaced, modelTx);
  const TxResult p = transactions(paced, nPaced);
  printTxRow("ours", p.ours, modelTx);
  printTxRow("libmodbus", p.lib, modelTx);
  printTxRow("window", p.window, modelTx);
  std::printf("  ratio ours/libmodbus: median %.4f  overhead %.2f  cpu %.2f\n",
              p.ours.median() / p.lib.median(), (p.ours.median() - modelTx) / (p.lib.median() - modelTx),
              p.ours.cpuPer() / p.lib.cpuPer());
  std::printf("  ratio window/libmodbus: median %.4f  overhead %.2f  cpu %.2f\n",
              p.window.median() / p.lib.median(), (p.window.median() - modelTx) / (p.lib.median() - modelTx),
              p.window.cpuPer() / p.lib.cpuPer());
  paced.stop();

  std::printf(
      "\n3. full read and write, paced module (ratio = measured / wire time of the frames with a 3.5-char "
      "silence after each; ovh/tx = measured minus the module's paced time, per transaction)\n");
  std::printf("  %-12s %4s %9s %9s %7s %9s %7s %12s %12s\n", "operation", "tx", "wire ms", "ours ms", "ratio",
              "libmb ms", "ratio", "ours ovh/tx", "libmb ovh/tx");
  std::vector<int> counts = {0, 3};
  if (!quick) counts.push_back(150);
  auto row = [](const char* what, int orders, std::size_t tx, double wire, double model, double ours,
                double lib) {
    char label[32];
    std::snprintf(label, sizeof label, "%s %d", what, orders);
    const double n = tx ? static_cast<double>(tx) : 1.0;
    std::printf("  %-12s %4zu %9.1f %9.1f %7.4f %9.1f %7.4f %9.3f ms %9.3f ms\n", label, tx, wire, ours,
                ours / wire, lib, lib / wire, (ours - model) / n, (lib - model) / n);
  };
  QtIoWait windowWait;
  for (int n : counts) {
    for (IoWait* wait : {static_cast<IoWait*>(nullptr), static_cast<IoWait*>(&windowWait)}) {
      const OpResult r = operation(n, wait);
      const char* how = wait ? "window" : "plain";
      std::printf("  [%s waits]\n", how);
      row("read", n, r.readTx, r.readWire, r.readModel, r.readMs, r.libReadMs);
      row("write", n, r.writeTx, r.writeWire, r.writeModel, r.writeMs, r.libWriteMs);
      std::printf("  ours/libmodbus: read %.4f  write %.4f\n", r.readMs / r.libReadMs,
                  r.writeMs / r.libWriteMs);
      if (!r.ok) std::printf("  (FAILED with %d orders: see the standard error)\n", n);
    }
  }

  std::printf(
      "\n5. longest gap between two paint events of the main window (repaint asked every 10 ms; "
      "paced module)\n");
  IoWait plainWait;
  const int gapOrders = quick ? 10 : 150;
  for (bool silent : {false, true}) {
    for (IoWait* wait : {static_cast<IoWait*>(&plainWait), static_cast<IoWait*>(nullptr)}) {
      const GapResult g = paintGap(gapOrders, silent, wait);
      char what[64];
      std::snprintf(what, sizeof what, silent ? "silent module, firmware query" : "read, %d orders",
                    gapOrders);
      std::printf("  %-30s %-13s longest gap %8.1f ms  paints %5d  command %8.1f ms\n", what,
                  wait ? "plain waits" : "window waits", g.longestMs, g.paints, g.commandMs);
    }
  }

  std::printf("\n4. start-up to first paint (real application, paced simulated module, offscreen)\n");
  std::vector<double> ms;
  long rss = 0;
  for (int i = 0; i < (quick ? 1 : 5); ++i) {
    const Startup s = startupOnce("/proc/self/exe");
    ms.push_back(s.ms);
    rss = std::max(rss, s.maxrssKb);
  }
  std::sort(ms.begin(), ms.end());
  std::printf("  first paint: median %.1f ms (min %.1f, max %.1f over %zu runs)  peak RSS %.1f MiB\n",
              ms[ms.size() / 2], ms.front(), ms.back(), ms.size(), static_cast<double>(rss) / 1024.0);

  benchHostileJson(quick);
  return 0;
}

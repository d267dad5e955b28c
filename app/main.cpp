// tq740conf: the configurator's entry point. Parses the command line, starts
// the simulated module when asked, and runs the application object.

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <iostream>
#include <memory>

#include "app/app_title.h"
#include "app/command_line.h"
#include "app/ctq740conf_app.h"
#include "app/desktop.h"
#include "app/native_path.h"
#include "app/qt_user_prompt.h"
#include "link/frame_trace.h"
#include "sim/sim_module.h"
#ifdef _WIN32
#include "sim/sim_serial_device.h"
#else
#include "sim/pty_module.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine cmdLine = parseCommandLine(args);
  switch (cmdLine.action) {
    case CommandLine::Action::Help:
      std::cout << usageText();
      return 0;
    case CommandLine::Action::Version:
      std::cout << versionText();
      return 0;
    case CommandLine::Action::Error:
      std::cerr << cmdLine.error << "\nTry 'tq740conf --help'.\n";
      return kUsageExitStatus;
    case CommandLine::Action::Run:
      break;
  }

  // Before the window: a trace that cannot be written is said at once, also
  // where no display is.
  std::unique_ptr<FrameTrace> trace;
  if (!cmdLine.trace.empty()) {
    std::string why;
    trace = FrameTrace::open(cmdLine.trace, why);
    if (!trace) {
      std::cerr << "tq740conf: cannot write the trace to " << cmdLine.trace << ": " << why << "\n";
      return kUsageExitStatus;
    }
  }

  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(app::kAppTitle));
  QApplication::setApplicationVersion(QStringLiteral("1.0"));

#ifdef _WIN32
  // The dialogs' default face ("MS Shell Dlg 2") is only an alias. Where it
  // resolves to a face that text boxes cannot draw (seen under Wine, which
  // maps it to a math font), every edit field of a dialog looks empty. Name
  // real sans-serif faces instead: Windows' own dialog face first, then the
  // face the form uses, then the common one.
  {
    QFont dialogs = QApplication::font();
    dialogs.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arial")});
    dialogs.setStyleHint(QFont::SansSerif);
    QApplication::setFont(dialogs);
  }

  // No pseudo-terminals: the simulated module answers on every COM port, in
  // this process.
  SerialDeviceFactory simulatedDevices;
  if (cmdLine.simulate) {
    simulatedDevices = [sim = std::make_shared<SimModule>()] {
      return std::make_unique<SimSerialDevice>(sim);
    };
    if (trace) trace->note("simulated module on every port");
  }
#else
  // The simulated module serves COM1 unless --port 1=PATH names another device.
  std::unique_ptr<PtyModule> simulated;
  if (cmdLine.simulate) {
    PtyModule::Options options;
    options.pace = true;
    simulated = std::make_unique<PtyModule>(std::make_shared<SimModule>(), options);
    if (!simulated->start()) {
      std::cerr << "tq740conf: cannot start the simulated module on a pseudo-terminal\n";
      return 1;
    }
    if (!cmdLine.portNamed(1)) {
      cmdLine.ports.setPath(1, simulated->slavePath());
      cmdLine.portGiven[0] = true;
    }
    if (trace) trace->note("simulated module on " + simulated->slavePath());
  }
#endif

  QtUserPrompt qtPrompt;
  std::unique_ptr<TracingPrompt> tracingPrompt;
  UserPrompt* prompt = &qtPrompt;
  if (trace) {
    tracingPrompt = std::make_unique<TracingPrompt>(qtPrompt, trace.get());
    prompt = tracingPrompt.get();
  }
  QtDesktop desktop;

  AppEnvironment env;
  env.prompt = prompt;
  env.desktop = &desktop;
  // --port (and the simulated module) override the saved Port settings for
  // this run only.
  for (int n = 1; n <= PortMap::kPorts; ++n)
    if (cmdLine.portNamed(n)) env.portOverrides[n] = cmdLine.ports.path(n);
  env.trace = trace.get();
#ifdef _WIN32
  env.deviceFactory = simulatedDevices;
#endif

  int status = 1;
  {
    CTQ740confApp theApp(env);
    if (theApp.InitInstance(pathFromNative(cmdLine.file))) status = QApplication::exec();
    theApp.ExitInstance();
  }
  return status;
}

#pragma once
// Test harness of the application shell: the application object with a
// recording message seam, a recording desktop whose dialogs answer from a
// script, settings in a temporary folder and a simulated module on a
// pseudo-terminal that every port number 1..4 leads to.

#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/ctq740conf_app.h"
#include "app/main_frame.h"
#include "sim/pty_module.h"
#include "sim/sim_module.h"
#include "tests/support/attempt_timer.h"
#include "tests/support/fixed_port_discovery.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/recording_prompt.h"

class AppHarness {
 public:
  // Every port number leads to the simulated module.
  explicit AppHarness(PtyModule::Options options = {});
  ~AppHarness();

  bool start(const QString& file = {});
  // Destroys the application object as the end of the process does.
  void stop();

  // Runs a command as a click on its menu item or button would.
  void run(int id);
  // Clicks row of the order list as the user does, so that the order editor
  // takes it.
  void clickOrderRow(int row);
  // Shows the window and makes it active, so that shortcuts work.
  bool activate();

  // Lets the event loop go idle once, as it does between two user actions.
  static void idle();

  CMainFrame* frame() const { return app->mainFrame(); }
  QString caption() const;

  std::shared_ptr<SimModule> sim;
  std::unique_ptr<PtyModule> pty;
  AttemptTimer timer;  // the attempts that a silent module makes short
  RecordingPrompt prompt;
  RecordingDesktop desktop;
  FixedPortDiscovery discovery;              // no devices unless a test adds some
  std::map<int, std::string> portOverrides;  // as --port N=PATH gives them
  FrameTrace* trace = nullptr;               // as --trace gives it
  std::unique_ptr<CTQ740confApp> app;
};

// Points QSettings at a fresh temporary folder for one test.
class TempSettings {
 public:
  TempSettings();
  QString path() const { return m_dir.path(); }

 private:
  QTemporaryDir m_dir;
};

#pragma once
// CTQ740confApp: the one application object. Owns start-up, the document,
// the main frame (which owns the view), the command router, the start
// directory m_szStartDir and the recent-file list, and handles the
// application's commands: New, Open, Exit, About and Documentation.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <string>

#include "app/command_router.h"
#include "app/master_timing_dlg.h"
#include "app/qt_io_wait.h"
#include "app/termination_signals.h"
#include "form/ctq740conf_view.h"
#include "link/port_discovery.h"
#include "link/serial_device.h"
#include "link/serial_port.h"

class CMainFrame;
class CTQ740confDoc;
class Desktop;
class FrameTrace;
class UserPrompt;

// What the application hands on to its parts; tests pass fakes.
struct AppEnvironment {
  UserPrompt* prompt = nullptr;              // required
  Desktop* desktop = nullptr;                // required
  SerialDeviceFactory deviceFactory;         // empty: the system's serial port backend
  PortMap ports;                             // the devices of ports that the settings do not name
  std::map<int, std::string> portOverrides;  // --port N=PATH: this run only, never saved
  const PortDiscovery* discovery = nullptr;  // null: the system's devices
  FrameTrace* trace = nullptr;
  IoWait* ioWait = nullptr;  // null: waits that keep the window painted (QtIoWait)
};

class CTQ740confApp : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
  static constexpr int kMaxRecentFiles = 4;

  // Only one may exist at a time.
  explicit CTQ740confApp(AppEnvironment env);
  ~CTQ740confApp() override;
  static CTQ740confApp* instance();

  // Start-up: settings, document, frame and view, then a new document or the
  // named file opened, the window shown, the start directory recorded.
  // False when the main window or the document could not be made.
  bool InitInstance(const QString& file = {});
  // Writes the recent-file list back; runs once (also from the destructor).
  int ExitInstance();

  // Application commands.
  void OnFileNew();
  void OnFileOpen();
  bool OpenDocumentFile(const QString& path);
  void OnAppExit();
  void OnAppAbout();
  void OnDocumentation();
  void OnPortSettings();
  void OnShowChangesBeforeWriting();
  // Device > Master timing...: opens the Master timing window beside the
  // form, or brings the open one forward.
  void OnMasterTiming();
  CMasterTimingDlg* masterTimingDialog() const { return m_timingDlg; }

  // Which device each COM port opens: the saved settings over the built-in
  // devices, and --port over both.
  PortMap portMap() const;

  const QString& startDir() const { return m_szStartDir; }
  const QStringList& recentFiles() const { return m_recentFiles; }
  void addToRecentFileList(const QString& path);

  CMainFrame* mainFrame() const;
  CTQ740confDoc* document() const { return m_doc.get(); }
  CTQ740confView* view() const { return m_view; }
  CommandRouter& router() { return m_router; }
  const CommandMap& commands() const { return m_commands; }

 private:
  void loadSettings();
  // False, after telling the user, when the settings file cannot be written.
  bool savePortSettings();
  void bindViewCommands();
  // A view command that talks to the module, run under the frame's
  // operation guard.
  std::function<void()> deviceCommand(const char* step, std::function<void()> command);
  // A command that replaces the form: asks about unsaved changes first.
  std::function<void()> askingFirst(std::function<void()> command);
  // A read or Auto that filled the form with the module's configuration.
  void formReadFromModule();
  bool showDifferences(const std::vector<DiffRow>& rows, DiffPurpose purpose);

  AppEnvironment m_env;
  QtIoWait m_ioWait;
  QString m_szStartDir;
  QStringList m_recentFiles;
  PortMap m_savedPorts;
  std::unique_ptr<PortDiscovery> m_systemDiscovery;
  const PortDiscovery* m_discovery = nullptr;
  int m_previewPages = 0;
  bool m_exited = false;
  bool m_traceFailureSaid = false;
  CommandRouter m_router;
  CommandMap m_commands;
  CommandMap m_viewCommands;
  std::unique_ptr<CTQ740confDoc> m_doc;
  QPointer<CMainFrame> m_frame;
  QPointer<CTQ740confView> m_view;
  std::unique_ptr<TerminationSignals> m_signals;
  QPointer<CMasterTimingDlg> m_timingDlg;
};

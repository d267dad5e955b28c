#include "app/ctq740conf_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>

#include "app/about_dlg.h"
#include "app/app_title.h"
#include "app/command_ids.h"
#include "app/compare_dlg.h"
#include "app/ctq740conf_doc.h"
#include "app/desktop.h"
#include "app/documentation.h"
#include "app/main_frame.h"
#include "app/master_timing_dlg.h"
#include "app/port_settings_dlg.h"
#include "form/ctq740conf_view.h"
#include "link/frame_trace.h"
#include "link/system_port_discovery.h"
#include "link/user_prompt.h"
#include "model/configuration.h"
#include "model/wire_timing.h"

namespace {

CTQ740confApp* g_theApp = nullptr;

const QString kRecentSection = QStringLiteral("Recent File List");
const QString kRecentEntry = QStringLiteral("File%1");
const QString kPreviewPages = QStringLiteral("Settings/PreviewPages");
const QString kShowChanges = QStringLiteral("Settings/ShowChangesBeforeWriting");
// The Port settings dialog's mapping, beside the recent-file list.
const QString kPortSection = QStringLiteral("Port Settings");
const QString kPortEntry = QStringLiteral("COM%1");

QSettings appSettings() {
  return QSettings(QString::fromLatin1(CTQ740confApp::kRegistryKey), QString::fromLatin1(app::kAppTitle));
}

}  // namespace

CTQ740confApp::CTQ740confApp(AppEnvironment env) : m_env(std::move(env)) {
  Q_ASSERT(!g_theApp);
  g_theApp = this;
  m_commands.bind(CommandOwner::App, [this](int id) -> CommandMap::Handler {
    switch (id) {
      case cmd::kFileNew:
        return [this] { OnFileNew(); };
      case cmd::kFileOpen:
      case cmd::kOpenConfiguration:
        return [this] { OnFileOpen(); };
      case cmd::kAppExit:
        return [this] { OnAppExit(); };
      case cmd::kAppAbout:
        return [this] { OnAppAbout(); };
      case cmd::kPortSettings:
        return [this] { OnPortSettings(); };
      case cmd::kShowChangesBeforeWriting:
        return [this] { OnShowChangesBeforeWriting(); };
      case cmd::kMasterTiming:
        return [this] { OnMasterTiming(); };
    }
    return {};
  });
  if (m_env.discovery) {
    m_discovery = m_env.discovery;
  } else {
    m_systemDiscovery = std::make_unique<SystemPortDiscovery>();
    m_discovery = m_systemDiscovery.get();
  }
  m_router.setMap(CommandOwner::App, &m_commands);
}

CTQ740confApp::~CTQ740confApp() {
  ExitInstance();
  g_theApp = nullptr;
}

CTQ740confApp* CTQ740confApp::instance() {
  return g_theApp;
}

CMainFrame* CTQ740confApp::mainFrame() const {
  return m_frame;
}

void CTQ740confApp::loadSettings() {
  QSettings s = appSettings();
  m_recentFiles.clear();
  s.beginGroup(kRecentSection);
  for (int i = 1; i <= kMaxRecentFiles; ++i) {
    const QString path = s.value(kRecentEntry.arg(i)).toString();
    if (!path.isEmpty()) m_recentFiles << path;
  }
  s.endGroup();
  m_previewPages = s.value(kPreviewPages, 0).toInt();

  m_savedPorts = m_env.ports;
  s.beginGroup(kPortSection);
  for (int n = 1; n <= PortMap::kPorts; ++n) {
    const QString path = s.value(kPortEntry.arg(n)).toString();
    if (!path.isEmpty()) m_savedPorts.setPath(n, path.toStdString());
  }
  s.endGroup();
}

bool CTQ740confApp::savePortSettings() {
  QSettings s = appSettings();
  s.beginGroup(kPortSection);
  for (int n = 1; n <= PortMap::kPorts; ++n)
    s.setValue(kPortEntry.arg(n), QString::fromStdString(m_savedPorts.path(n)));
  s.endGroup();
  s.sync();
  if (s.status() == QSettings::NoError) return true;
  // The choice still holds for this run; the user learns that it will not
  // come back at the next start, and why.
  const QString file = s.fileName();
  QString why = s.status() == QSettings::FormatError ? QStringLiteral("its contents cannot be read back")
                                                     : QStringLiteral("it cannot be written");
  const QFileInfo info(file);
  if (info.isDir())
    why = QStringLiteral("a folder has its name");
  else if (info.exists() && !info.isWritable())
    why = QStringLiteral("permission denied");
  else if (!info.exists() && !QFileInfo(info.absolutePath()).isWritable())
    why = QStringLiteral("its folder cannot be written");
  m_env.prompt->message("The port settings could not be saved to " + file.toStdString() + " (" +
                            why.toStdString() + "). They apply until the program ends.",
                        MsgKind::Warning);
  return false;
}

PortMap CTQ740confApp::portMap() const {
  PortMap map = m_savedPorts;
  for (const auto& [n, path] : m_env.portOverrides)
    if (n >= 1 && n <= PortMap::kPorts) map.setPath(n, path);
  return map;
}

bool CTQ740confApp::InitInstance(const QString& file) {
  loadSettings();

  // The document, the frame with its bars and the view.
  m_doc = std::make_unique<CTQ740confDoc>(*m_env.prompt, *m_env.desktop);
  m_doc->addToRecentFiles = [this](const QString& path) { addToRecentFileList(path); };
  m_doc->takeConfiguration = [this]() -> std::optional<Configuration> {
    if (!m_view || m_view->selectedDevice() == -1) return std::nullopt;
    return m_view->takeConfiguration();
  };
  m_doc->formShown = [this] { return m_view && m_view->selectedDevice() != -1; };
  m_router.setMap(CommandOwner::Document, &m_doc->commands());

  m_frame = new CMainFrame(m_router);
  if (!m_frame->OnCreate()) {
    m_env.prompt->message("Failed to create empty document.", MsgKind::Error);
    delete m_frame;
    return false;
  }
  m_doc->dialogParent = m_frame;
  m_router.setMap(CommandOwner::Frame, &m_frame->commands());
  m_router.afterCommand = [this] {
    if (m_frame) m_frame->UpdateCommandUI();
  };
  connect(m_doc.get(), &CTQ740confDoc::titleChanged, m_frame, &CMainFrame::OnUpdateFrameTitle);
  connect(m_doc.get(), &CTQ740confDoc::modifiedChanged, m_frame, &QWidget::setWindowModified);
  m_frame->queryClose = [this] { return m_doc->SaveModified(); };
  m_frame->showChangesBeforeWriting = [this] { return m_view && m_view->showChangesBeforeWriting(); };

  ViewEnvironment viewEnv;
  viewEnv.prompt = m_env.prompt;
  viewEnv.deviceFactory = m_env.deviceFactory;
  viewEnv.ports = portMap();
  viewEnv.discovery = m_discovery;
  viewEnv.trace = m_env.trace;
  viewEnv.ioWait = m_env.ioWait ? m_env.ioWait : &m_ioWait;
  viewEnv.observer = &m_frame->operation();
  viewEnv.showDifferences = [this](const std::vector<DiffRow>& rows, DiffPurpose purpose) {
    return showDifferences(rows, purpose);
  };
  m_view = new CTQ740confView(viewEnv);
  m_view->setShowChangesBeforeWriting(appSettings().value(kShowChanges, false).toBool());
  connect(m_view, &CTQ740confView::documentTitleRequested, m_doc.get(), &CTQ740confDoc::SetTitle);
  connect(m_view, &CTQ740confView::userChangedForm, m_doc.get(), [this] { m_doc->SetModifiedFlag(true); });
  connect(m_view, &QObject::destroyed, this, [this] { m_router.setMap(CommandOwner::View, nullptr); });
  m_frame->setView(m_view);
  bindViewCommands();

  // A new document; a file named on the command line opens once the window
  // shows, so that its boxes have a window to belong to.
  OnFileNew();

  // A signal that would end the program, or the desktop session ending,
  // closes the window as the user would, without a question: a running
  // operation is waited for.
  m_signals = std::make_unique<TerminationSignals>();
  connect(m_signals.get(), &TerminationSignals::requested, m_frame, &CMainFrame::closeForSessionEnd);
#ifndef QT_NO_SESSIONMANAGER
  connect(qApp, &QGuiApplication::commitDataRequest, m_frame, [this] {
    if (m_frame) m_frame->closeForSessionEnd();
  });
#endif

  m_frame->resize(m_frame->initialSize());
  m_frame->show();
  m_frame->UpdateCommandUI();
  if (!file.isEmpty() && !OpenDocumentFile(file)) {
    delete m_frame;
    return false;
  }

  m_szStartDir = QDir::currentPath();
  if (m_szStartDir.isEmpty()) m_szStartDir = QStringLiteral(".");
  return true;
}

std::function<void()> CTQ740confApp::deviceCommand(const char* step, std::function<void()> command) {
  return [this, step, command = std::move(command)] {
    if (m_frame) m_frame->operation().run(QString::fromLatin1(step), command);
    // A trace that stopped taking lines (a full disk, a reader gone) is said
    // once, after the operation, which went on without it.
    if (m_env.trace && m_env.trace->failed() && !m_traceFailureSaid) {
      m_traceFailureSaid = true;
      m_env.prompt->message("Writing the trace failed; it is incomplete from here on.", MsgKind::Warning);
    }
  };
}

std::function<void()> CTQ740confApp::askingFirst(std::function<void()> command) {
  return [this, command = std::move(command)] {
    if (m_doc->SaveModified()) command();
  };
}

void CTQ740confApp::formReadFromModule() {
  m_doc->DetachFromFile();
  m_doc->SetModifiedFlag(false);
}

bool CTQ740confApp::showDifferences(const std::vector<DiffRow>& rows, DiffPurpose purpose) {
  CCompareDlg dlg(rows, purpose, m_frame);
  return m_env.desktop->execDialog(dlg) == QDialog::Accepted;
}

void CTQ740confApp::bindViewCommands() {
  CTQ740confView* v = m_view;
  m_viewCommands.bind(CommandOwner::View, [this, v](int id) -> CommandMap::Handler {
    switch (id) {
      case cmd::kAutoSelect:
        return askingFirst(deviceCommand("Selecting the device", [this, v] {
          if (v->OnAutoSelect()) formReadFromModule();
        }));
      case cmd::kSelectDevice:
        // The edits were saved or discarded: the emptied form is nobody's change.
        return askingFirst([this, v] {
          v->OnSelectDevice();
          m_doc->SetModifiedFlag(false);
        });
      case cmd::kReadParameters:
        return askingFirst(deviceCommand("Reading parameters", [this, v] {
          if (v->OnReadParameters()) formReadFromModule();
        }));
      case cmd::kWriteParameters:
        return deviceCommand("Writing parameters", [this, v] {
          if (v->OnWriteParameters()) m_doc->SetModifiedFlag(false);
        });
      case cmd::kCompareWithDevice:
        return deviceCommand("Comparing with the device", [v] { v->OnCompareWithDevice(); });
      case cmd::kReadFirmwareVersion:
        return deviceCommand("Reading firmware version", [v] { v->OnReadFirmwareVersion(); });
      case cmd::kDisconnect:
        return [v] { v->OnDisconnect(); };
      case cmd::kCom1:
        return deviceCommand("Opening COM1", [v] { v->OnConnectCom(1); });
      case cmd::kCom2:
        return deviceCommand("Opening COM2", [v] { v->OnConnectCom(2); });
      case cmd::kCom3:
        return deviceCommand("Opening COM3", [v] { v->OnConnectCom(3); });
      case cmd::kCom4:
        return deviceCommand("Opening COM4", [v] { v->OnConnectCom(4); });
      case cmd::kDocumentation:
        // The view passes Documentation on to the application.
        return [this] { OnDocumentation(); };
    }
    return {};
  });
  m_router.setMap(CommandOwner::View, &m_viewCommands);
}

int CTQ740confApp::ExitInstance() {
  if (m_exited) return 0;
  m_exited = true;
  // The frame goes first: its view closes an open port.
  delete m_frame;
  m_signals.reset();
  QSettings s = appSettings();
  s.beginGroup(kRecentSection);
  for (int i = 1; i <= kMaxRecentFiles; ++i) {
    if (i <= m_recentFiles.size())
      s.setValue(kRecentEntry.arg(i), m_recentFiles[i - 1]);
    else
      s.remove(kRecentEntry.arg(i));
  }
  s.endGroup();
  if (m_previewPages != 0) s.setValue(kPreviewPages, m_previewPages);
  s.sync();
  m_router.setMap(CommandOwner::Document, nullptr);
  m_doc.reset();
  return 0;
}

void CTQ740confApp::addToRecentFileList(const QString& path) {
  m_recentFiles.removeAll(path);
  m_recentFiles.prepend(path);
  while (m_recentFiles.size() > kMaxRecentFiles) m_recentFiles.removeLast();
}

void CTQ740confApp::OnFileNew() {
  if (!m_doc->SaveModified()) return;
  m_doc->OnNewDocument();
  if (m_view) m_view->OnInitialUpdate();
}

void CTQ740confApp::OnFileOpen() {
  if (!m_doc->SaveModified()) return;
  const QString path =
      m_env.desktop->getOpenFileName(m_frame, QStringLiteral("Open"), QString(), CTQ740confDoc::kFileFilter);
  if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CTQ740confApp::OpenDocumentFile(const QString& path) {
  std::optional<Configuration> config;
  if (!m_doc->OnOpenDocument(path, config)) return false;
  if (!m_view) return true;
  m_view->OnInitialUpdate();
  // The caption names the file that Save now writes to.
  m_doc->SetTitle(QFileInfo(path).fileName());
  // An empty file, as earlier versions saved, is an empty document.
  if (!config) return true;
  m_view->loadConfiguration(*config);
  // Orders the editor would refuse are loaded and written as they are, as
  // the module holds them; the same list tq740ctl prints says which.
  const std::vector<std::string> warnings = config->orderWarnings(FieldLimits{});
  if (!warnings.empty())
    m_env.prompt->message(
        "This configuration holds master orders that the order editor would refuse. Write "
        "sends them as they are:" +
            CTQ740confDoc::problemList(warnings),
        MsgKind::Warning);
  // Orders that cannot be answered within the master timeout, as Write
  // will ask about them.
  const std::vector<std::string> slow = wire::timingWarning(wire::masterTiming(*config), 10);
  if (!slow.empty()) m_env.prompt->message(wire::warningText(slow), MsgKind::Warning);
  return true;
}

void CTQ740confApp::OnAppExit() {
  if (m_frame) m_frame->close();
}

void CTQ740confApp::OnShowChangesBeforeWriting() {
  if (!m_view) return;
  const bool on = !m_view->showChangesBeforeWriting();
  m_view->setShowChangesBeforeWriting(on);
  QSettings s = appSettings();
  s.setValue(kShowChanges, on);
  s.sync();
}

void CTQ740confApp::OnAppAbout() {
  CAboutDlg dlg([this] { OnDocumentation(); }, m_frame);
  dlg.DoModal();
}

void CTQ740confApp::OnDocumentation() {
  showDocumentation(m_szStartDir, *m_env.prompt, *m_env.desktop, m_frame,
                    documentation::manualFoldersBesideProgram(QCoreApplication::applicationDirPath()));
}

void CTQ740confApp::OnPortSettings() {
  const PortMap before = portMap();
  CPortSettingsDlg dlg(*m_discovery, before, m_view ? m_view->portNumber() : 0, m_frame);
  for (const auto& entry : m_env.portOverrides)
    if (entry.first >= 1 && entry.first <= PortMap::kPorts) dlg.markCommandLine(entry.first);
  if (m_env.desktop->execDialog(dlg) != QDialog::Accepted) return;

  // Only what the user changed is saved; a path given with --port and left
  // alone stays for this run and is not written.
  const PortMap after = dlg.ports();
  bool changed = false;
  for (int n = 1; n <= PortMap::kPorts; ++n) {
    if (after.path(n) == before.path(n)) continue;
    m_savedPorts.setPath(n, after.path(n));
    m_env.portOverrides.erase(n);
    changed = true;
  }
  if (!changed) return;
  savePortSettings();
  if (m_view) m_view->setPortMap(portMap());
}

void CTQ740confApp::OnMasterTiming() {
  if (!m_view) return;
  if (!m_timingDlg) m_timingDlg = new CMasterTimingDlg(*m_view, m_frame);
  m_timingDlg->show();
  m_timingDlg->raise();
  m_timingDlg->activateWindow();
}

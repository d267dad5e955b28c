#include "app/main_frame.h"

#ifdef _WIN32
#include "app/session_end_win.h"
#endif

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/app_title.h"
#include "app/command_ids.h"
#include "app/lock_keys.h"
#include "app/operation_progress.h"
#include "form/ctq740conf_view.h"

namespace {

// Toolbar images in button order.
const char* const kToolbarImages[] = {
    ":/toolbar/save.xpm",  ":/toolbar/open.xpm",       ":/toolbar/autodetect.xpm",    ":/toolbar/read.xpm",
    ":/toolbar/write.xpm", ":/toolbar/com1.xpm",       ":/toolbar/com2.xpm",          ":/toolbar/com3.xpm",
    ":/toolbar/com4.xpm",  ":/toolbar/disconnect.xpm", ":/toolbar/documentation.xpm", ":/toolbar/about.xpm"};

// Lock panes are polled at most this often while the loop goes idle.
constexpr int kLockPollMs = 100;

}  // namespace

// The images live in this library's resources; a static library needs them
// registered explicitly.
static void initAppResources() {
  Q_INIT_RESOURCE(app);
}

CMainFrame::CMainFrame(CommandRouter& router, QWidget* parent) : QMainWindow(parent), m_router(router) {
  initAppResources();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromLatin1(app::kAppTitle));
  setWindowIcon(QIcon(QStringLiteral(":/app_icon.xpm")));
  m_lockKeyReader = readLockKeys;
  m_commands.bind(CommandOwner::Frame, [this](int id) -> CommandMap::Handler {
    switch (id) {
      case cmd::kViewToolbar:
        return [this] { m_wndToolBar->setVisible(m_wndToolBar->isHidden()); };
      case cmd::kViewStatusBar:
        return [this] { m_wndStatusBar->setVisible(m_wndStatusBar->isHidden()); };
    }
    return {};
  });
  connect(&m_operation, &OperationGuard::started, this, &CMainFrame::operationStarted);
  connect(&m_operation, &OperationGuard::finished, this, &CMainFrame::operationFinished);
  connect(&m_operation, &OperationGuard::progressed, this,
          [this](const QString& step, int done, int total) { m_progress->setStep(step, done, total); });
#ifdef _WIN32
  new SessionEndHold(m_operation, *this);  // owned by the window
#endif
}

CMainFrame::~CMainFrame() {
  QObject::disconnect(m_idleConnection);
}

bool CMainFrame::OnCreate() {
  buildActions();
  buildToolBar();
  buildStatusBar();
  buildPortPane();
  buildMenu();
  if (!m_wndToolBar || !m_wndStatusBar || m_panes.size() != 4) return false;
  if (auto* dispatcher = QAbstractEventDispatcher::instance())
    m_idleConnection =
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { UpdateCommandUI(); });
  UpdateCommandUI();
  return true;
}

void CMainFrame::buildActions() {
  // Radio marks are drawn as dots by exclusive groups; the rules alone decide
  // which item is marked (optional exclusion lets none be).
  auto* connection = new QActionGroup(this);
  connection->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  auto* device = new QActionGroup(this);
  device->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

  for (const CommandInfo& c : commandTable()) {
    auto* a = new QAction(QString::fromUtf8(c.text), this);
    a->setObjectName(QStringLiteral("command%1").arg(c.id));
    a->setData(c.id);
    a->setStatusTip(QString::fromStdString(promptStatusText(c.prompt)));
    const std::string tip = promptTooltip(c.prompt);
    if (!tip.empty()) a->setToolTip(QString::fromStdString(tip));
    QList<QKeySequence> keys;
    for (const std::string& k : commandKeys(c)) keys << QKeySequence(QString::fromStdString(k));
    a->setShortcuts(keys);
    const CommandMark mark = markKind(c.rule);
    // Menu items show their check or radio mark, not the button's picture.
    a->setIconVisibleInMenu(false);
    if (mark != CommandMark::None) a->setCheckable(true);
    if (mark == CommandMark::Radio) (c.rule == UpdateRule::SelectDevice ? device : connection)->addAction(a);
    const int id = c.id;
    connect(a, &QAction::triggered, this, [this, id] { m_router.route(id); });
    addAction(a);  // shortcuts work whether or not the action is in a menu
    m_actions[id] = a;
  }
}

void CMainFrame::buildMenu() {
  QMenuBar* bar = menuBar();
  for (const CommandInfo& c : commandTable()) {
    if (!c.menuPath) continue;
    const QString path = QString::fromUtf8(c.menuPath);
    // Create the menus of the path in first-seen order.
    QString prefix;
    QMenu* parent = nullptr;
    for (const QString& part : path.split(QLatin1Char('/'))) {
      prefix = prefix.isEmpty() ? part : prefix + QLatin1Char('/') + part;
      auto it = m_menus.find(prefix);
      if (it == m_menus.end()) {
        QMenu* m = parent ? parent->addMenu(part) : bar->addMenu(part);
        m->setObjectName(QStringLiteral("menu:") + prefix);
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        connect(m, &QMenu::aboutToHide, m_wndStatusBar, &QStatusBar::clearMessage);
        m->installEventFilter(this);
        it = m_menus.emplace(prefix, m).first;
      }
      parent = it->second;
    }
    if (c.separatorBefore) parent->addSeparator();
    parent->addAction(m_actions.at(c.id));
  }
}

void CMainFrame::buildToolBar() {
  m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
  m_wndToolBar->setObjectName(QStringLiteral("toolbar%1").arg(cmd::kViewToolbar));
  m_wndToolBar->setIconSize(QSize(16, 16));
  m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_wndToolBar->setMovable(true);
  m_wndToolBar->setFloatable(true);
  std::vector<const CommandInfo*> buttons(12, nullptr);
  for (const CommandInfo& c : commandTable())
    if (c.toolbarPos >= 1 && c.toolbarPos <= 12) buttons[static_cast<std::size_t>(c.toolbarPos - 1)] = &c;
  const auto separators = toolbarSeparatorsAfter();
  for (int pos = 1; pos <= 12; ++pos) {
    const CommandInfo* c = buttons[static_cast<std::size_t>(pos - 1)];
    if (!c) continue;
    QAction* a = m_actions.at(c->id);
    a->setIcon(QIcon(QString::fromLatin1(kToolbarImages[pos - 1])));
    m_wndToolBar->addAction(a);
    if (std::find(separators.begin(), separators.end(), pos) != separators.end())
      m_wndToolBar->addSeparator();
  }
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::buildStatusBar() {
  m_wndStatusBar = statusBar();
  m_wndStatusBar->setObjectName(QStringLiteral("statusbar%1").arg(cmd::kViewStatusBar));
  // Pane 0 is the idle text; a prompt shown as the bar's temporary message
  // covers it, and it returns when the prompt is cleared.
  auto* ready = new QLabel(QStringLiteral("Ready"), m_wndStatusBar);
  ready->setObjectName(QStringLiteral("pane%1").arg(cmd::kPaneMessage));
  m_wndStatusBar->addWidget(ready, 1);
  m_panes[cmd::kPaneMessage] = ready;
  for (int id : {cmd::kPaneCaps, cmd::kPaneNum, cmd::kPaneScroll}) {
    auto* label = new QLabel(m_wndStatusBar);
    label->setObjectName(QStringLiteral("pane%1").arg(id));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    m_wndStatusBar->addPermanentWidget(label);
    m_panes[id] = label;
  }
  // Right after the message pane, left of the lock panes, and only while an
  // operation runs.
  m_progress = new OperationProgress(m_wndStatusBar);
  m_wndStatusBar->insertPermanentWidget(1, m_progress);
  m_progress->hide();
}

void CMainFrame::operationStarted(const QString& step) {
  m_progress->setStep(step);
  m_progress->show();
  UpdateCommandUI();
}

void CMainFrame::operationFinished() {
  if (m_operation.closeHeld()) {
    // The notice stays readable until the window is gone.
    // Closed from the event loop, once the command handler has returned.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return;
  }
  m_progress->hide();
  UpdateCommandUI();
}

void CMainFrame::buildPortPane() {
  // Left of the lock-key panes; hidden while no port is open.
  m_portPane = new QLabel(m_wndStatusBar);
  m_portPane->setObjectName(QStringLiteral("portPane"));
  m_portPane->setFrameShape(QFrame::Panel);
  m_portPane->setFrameShadow(QFrame::Sunken);
  m_portPane->setVisible(false);
  m_wndStatusBar->insertPermanentWidget(1, m_portPane);
}

void CMainFrame::updatePortPane() {
  const bool open = m_view && m_view->isPortOpen();
  const QString text =
      open ? QStringLiteral("COM %1: %2").arg(m_view->portNumber()).arg(m_view->openPortPath()) : QString();
  if (m_portPane->text() != text) m_portPane->setText(text);
  if (m_portPane->isVisibleTo(m_wndStatusBar) != open) m_portPane->setVisible(open);
}

void CMainFrame::setView(CTQ740confView* view) {
  m_view = view;
  setCentralWidget(view);
  UpdateCommandUI();
}

QSize CMainFrame::initialSize() const {
  // Large enough for the whole form where the screen allows, as the
  // desktop's default placement of a new main window would be.
  QSize want = sizeHint();
  if (m_view && m_view->widget()) {
    const QSize form = m_view->widget()->size().expandedTo(m_view->widget()->sizeHint());
    const QSize chrome = sizeHint() - m_view->sizeHint();
    want = want.expandedTo(form + chrome + QSize(m_view->frameWidth() * 2 + 4, m_view->frameWidth() * 2 + 4));
  }
  if (const QScreen* screen = this->screen()) want = want.boundedTo(screen->availableSize() * 9 / 10);
  return want;
}

void CMainFrame::OnUpdateFrameTitle(const QString& documentTitle) {
  // A "[*]" in a file name would be taken for the mark: doubled, Qt shows it
  // as it is.
  QString title = documentTitle;
  title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  setWindowTitle(title + QStringLiteral("[*] - ") + QString::fromLatin1(app::kAppTitle));
}

ShellState CMainFrame::shellState() const {
  ShellState s;
  if (m_view) {
    s.portNumber = m_view->portNumber();
    s.portOpen = m_view->isPortOpen();
    s.selectedDevice = m_view->selectedDevice();
    s.paramsRead = m_view->paramsRead();
  }
  s.operationRunning = m_operation.running();
  s.showChangesBeforeWriting = showChangesBeforeWriting && showChangesBeforeWriting();
  s.toolbarVisible = m_wndToolBar && !m_wndToolBar->isHidden();
  s.statusBarVisible = m_wndStatusBar && !m_wndStatusBar->isHidden();
  return s;
}

void CMainFrame::UpdateCommandUI() {
  const ShellState s = shellState();
  for (const CommandInfo& c : commandTable()) {
    QAction* a = m_actions.at(c.id);
    const CommandUiState ui = evaluateCommand(c, m_router.hasHandler(c.id), s);
    if (a->isEnabled() != ui.enabled) a->setEnabled(ui.enabled);
    if (ui.mark != CommandMark::None && a->isChecked() != ui.checked) a->setChecked(ui.checked);
  }
  updatePortPane();
  if (!m_lockPoll.isValid() || m_lockPoll.elapsed() >= kLockPollMs) {
    m_lockPoll.start();
    updateLockPanes();
  }
}

void CMainFrame::setLockKeyReader(std::function<LockKeyState()> reader) {
  m_lockKeyReader = std::move(reader);
  m_lockPoll.invalidate();
}

void CMainFrame::updateLockPanes() {
  const LockKeyState locks = m_lockKeyReader ? m_lockKeyReader() : LockKeyState{};
  for (int id : {cmd::kPaneCaps, cmd::kPaneNum, cmd::kPaneScroll}) {
    const QString text = QString::fromStdString(lockPaneText(id, locks));
    if (m_panes.at(id)->text() != text) m_panes.at(id)->setText(text);
  }
}

QAction* CMainFrame::action(int id) const {
  auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

QMenu* CMainFrame::menu(const QString& path) const {
  auto it = m_menus.find(path);
  return it == m_menus.end() ? nullptr : it->second;
}

QLabel* CMainFrame::pane(int id) const {
  auto it = m_panes.find(id);
  return it == m_panes.end() ? nullptr : it->second;
}

QString CMainFrame::messagePaneText() const {
  const QString prompt = m_wndStatusBar ? m_wndStatusBar->currentMessage() : QString();
  return prompt.isEmpty() ? m_panes.at(cmd::kPaneMessage)->text() : prompt;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  // Qt shows the prompt of an enabled menu item by itself; a greyed item
  // shows its prompt too, as the user may wonder why it is greyed.
  if (event->type() == QEvent::MouseMove) {
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
      QAction* a = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (a && !a->isEnabled() && !a->isSeparator()) m_wndStatusBar->showMessage(a->statusTip());
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeForSessionEnd() {
  m_sessionEnding = true;
  close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A transfer cut off halfway would leave the module with a mix of old and
  // new blocks, and the view that runs it must outlive it: the close waits
  // for the end of the operation.
  if (m_operation.running()) {
    event->ignore();
    m_operation.holdClose();
    // In the progress widget, where no prompt or hover text replaces it.
    m_progress->setNotice(QStringLiteral("The program will close when the transfer ends."));
    return;
  }
  // A close the user asked for asks about unsaved changes; one from a signal
  // or the session's end never waits on a box.
  if (!m_sessionEnding && queryClose && !queryClose()) {
    event->ignore();
    m_operation.releaseClose();
    m_progress->setNotice({});
    m_progress->hide();
    UpdateCommandUI();
    return;
  }
  // The frame is deleted after closing, and with it the view, which closes
  // an open port.
  QObject::disconnect(m_idleConnection);
  event->accept();
}

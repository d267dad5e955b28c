#pragma once
// CMainFrame: the main window. Owns the menu, the toolbar m_wndToolBar, the
// status bar m_wndStatusBar with its four panes and one action per command,
// all built from the command table. Every triggered action goes to the
// command router; the update rules set enabled states and marks before a
// menu opens and whenever the event loop goes idle.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

#include "app/command_router.h"
#include "app/operation_guard.h"
#include "app/update_rules.h"
#include "form/ctq740conf_view.h"

class OperationProgress;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QStatusBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(CommandRouter& router, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Builds toolbar, status bar, menu and accelerators; false when a part of
  // the frame could not be made.
  bool OnCreate();
  void setView(CTQ740confView* view);
  CTQ740confView* view() const { return m_view; }

  // The size the window opens with.
  QSize initialSize() const;

  // Caption: "<document title>[*] - TQ740conf"; the mark shows while the
  // document is modified.
  void OnUpdateFrameTitle(const QString& documentTitle);

  // Asked before a close that the user requested (Exit, the window's close
  // button): false keeps the window open. Set by the application.
  std::function<bool()> queryClose;
  // Changes shown before writing (the mark of its command).
  std::function<bool()> showChangesBeforeWriting;

  // Evaluates every update rule and the lock panes now.
  void UpdateCommandUI();
  ShellState shellState() const;

  QAction* action(int id) const;
  QMenu* menu(const QString& path) const;  // "&Device" or "&Device/&Select device"
  QToolBar* toolBar() const { return m_wndToolBar; }
  QLabel* pane(int id) const;
  // The permanent widget that names the open port and its device.
  QLabel* portPane() const { return m_portPane; }
  // What the message pane shows: the current prompt, or "Ready".
  QString messagePaneText() const;

  const CommandMap& commands() const { return m_commands; }
  // Replaces the lock-key reader (tests substitute their own); the panes
  // follow at the next idle moment.
  void setLockKeyReader(std::function<LockKeyState()> reader);

  // The device operation running now, if any: commands, input and closing
  // wait for it.
  OperationGuard& operation() { return m_operation; }
  // The status bar's progress of the running operation.
  OperationProgress* progress() const { return m_progress; }

  // The close of a signal (SIGINT, SIGTERM, SIGHUP) or of the desktop
  // session ending: it never asks anything and never waits on a box. Like
  // any close it waits for a running operation; a write that has not sent
  // its first block stops there with nothing written.
  void closeForSessionEnd();
  // True once closeForSessionEnd() was called: the close under way asks
  // nothing.
  bool sessionEnding() const { return m_sessionEnding; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildActions();
  void buildMenu();
  void buildToolBar();
  void buildStatusBar();
  void updateLockPanes();
  void operationStarted(const QString& step);
  void operationFinished();
  void buildPortPane();
  void updatePortPane();

  CommandRouter& m_router;
  CommandMap m_commands;
  QPointer<CTQ740confView> m_view;
  QToolBar* m_wndToolBar = nullptr;
  QStatusBar* m_wndStatusBar = nullptr;
  std::map<int, QAction*> m_actions;
  std::map<QString, QMenu*> m_menus;
  std::map<int, QLabel*> m_panes;
  QLabel* m_portPane = nullptr;
  QMetaObject::Connection m_idleConnection;
  QElapsedTimer m_lockPoll;
  std::function<LockKeyState()> m_lockKeyReader;
  OperationGuard m_operation;
  OperationProgress* m_progress = nullptr;
  bool m_sessionEnding = false;
};

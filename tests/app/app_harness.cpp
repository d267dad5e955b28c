#include "tests/app/app_harness.h"

#include <QAction>
#include <QDialog>
#include <QEventLoop>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "form/corder_list_ctrl.h"

TempSettings::TempSettings() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

AppHarness::AppHarness(PtyModule::Options options) : sim(std::make_shared<SimModule>()) {
  pty = std::make_unique<PtyModule>(sim, options);
  pty->start();
}

AppHarness::~AppHarness() {
  stop();
}

bool AppHarness::start(const QString& file) {
  AppEnvironment env;
  env.prompt = &prompt;
  env.desktop = &desktop;
  env.deviceFactory = timer.factory();
  for (int n = 1; n <= 4; ++n) env.ports.setPath(n, pty->slavePath());
  env.portOverrides = portOverrides;
  env.discovery = &discovery;
  env.trace = trace;
  app = std::make_unique<CTQ740confApp>(env);
  return app->InitInstance(file);
}

void AppHarness::stop() {
  app.reset();
}

void AppHarness::run(int id) {
  frame()->action(id)->trigger();
}

void AppHarness::clickOrderRow(int row) {
  COrderListCtrl* list = app->view()->orderList();
  list->scrollToItem(list->topLevelItem(row));
  const QRect r = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    QPoint(list->columnViewportPosition(6) + 4, r.center().y()));
}

bool AppHarness::activate() {
  frame()->show();
  frame()->activateWindow();
  return QTest::qWaitForWindowActive(frame());
}

QString AppHarness::caption() const {
  // As the window shows it: the "[*]" placeholder becomes "*" while the
  // document is modified, and disappears otherwise.
  QString title = frame()->windowTitle();
  return title.replace(QStringLiteral("[*]"), frame()->isWindowModified() ? QStringLiteral("*") : QString());
}

void AppHarness::idle() {
  // The loop blocks waiting for the timer, and announces that it is about to.
  QEventLoop loop;
  QTimer::singleShot(10, &loop, &QEventLoop::quit);
  loop.exec();
}

#include "app/operation_guard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

OperationGuard::~OperationGuard() {
  if (m_running) qApp->removeEventFilter(this);
}

bool OperationGuard::run(const QString& step, const std::function<void()>& op) {
  if (m_running) return false;
  m_running = true;
  qApp->installEventFilter(this);
  emit started(step);
  op();
  qApp->removeEventFilter(this);
  m_running = false;
  emit finished();
  return true;
}

void OperationGuard::progress(const std::string& step, int done, int total) {
  if (m_running) emit progressed(QString::fromStdString(step), done, total);
}

void OperationGuard::holdClose() {
  m_closeHeld = true;
}

bool OperationGuard::eventFilter(QObject* watched, QEvent* event) {
  // Input is dropped, not deferred: keys typed and clicks made while waiting
  // would otherwise reach the form, or close the operation's last box unread,
  // once the operation is over. Only the box that the operation shows takes
  // input.
  if (!isUserInput(event->type()) || !watched->isWidgetType()) return false;
  const QWidget* modal = QApplication::activeModalWidget();
  const auto* target = static_cast<QWidget*>(watched);
  if (modal && (target == modal || modal->isAncestorOf(target))) return false;
  event->accept();
  return true;
}

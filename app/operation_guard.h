#pragma once
// OperationGuard: the one device operation that runs at a time. While it
// runs it holds off keyboard and mouse input to every window except the
// operation's own message boxes, and it keeps a close of the main window
// until the operation has ended. It follows the operation's progress; the
// window asks an operation to stop only in one case: a write that a close
// reached before its first block is not begun.

#include <QObject>
#include <QString>
#include <functional>

#include "ops/operation_observer.h"

class OperationGuard : public QObject, public ops::OperationObserver {
  Q_OBJECT

 public:
  using QObject::QObject;
  ~OperationGuard() override;

  // Runs op to its end under the guard, with step as its first progress
  // text. While another operation runs, does nothing and returns false.
  bool run(const QString& step, const std::function<void()>& op);
  bool running() const { return m_running; }

  // A close of the main window that arrived while the operation runs: it is
  // carried out when the operation has ended.
  void holdClose();
  bool closeHeld() const { return m_closeHeld; }
  // The held close was carried out and refused (the user kept the window).
  void releaseClose() { m_closeHeld = false; }

  void progress(const std::string& step, int done, int total) override;
  // A close held before a write sent its first block ends the write there:
  // nothing is written.
  bool stopBeforeWriting() override { return m_closeHeld; }

 signals:
  void started(const QString& step);
  // Before each transaction: the step and how far the operation has got.
  void progressed(const QString& step, int done, int total);
  // The operation has ended; closeHeld() tells whether the window closes now.
  void finished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool m_running = false;
  bool m_closeHeld = false;
};

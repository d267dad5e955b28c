// The window's wait on Windows. The serial port's reads and writes are
// overlapped; while one is under way the thread waits here for its event.
// As on Linux, the wait first blocks for a short slice, which covers the
// gaps between the characters of an answer, and runs the event loop, woken
// by a QWinEventNotifier on the event, only through a longer silence. The
// window thus paints at least every slice, with the transaction, its
// time-outs and its trace exactly as in a program without a window.
// A worker thread for the operation would do as well for painting, but the
// operations ask their questions through the message seam half way (a
// foreign module, a failed block) and touch the form as they go; on one
// thread, as on Linux, none of that needs marshalling between threads.
#include <windows.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWinEventNotifier>
#include <algorithm>

#include "app/qt_io_wait.h"

namespace {
int waitNow(void* event, int timeoutMs) {
  switch (::WaitForSingleObject(event, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs))) {
    case WAIT_OBJECT_0:
      return 1;
    case WAIT_TIMEOUT:
      return 0;
    default:
      return -1;
  }
}
}  // namespace

int QtIoWait::waitEvent(void* event, int timeoutMs) {
  if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kSliceMs)) {
    QCoreApplication::processEvents(m_flags);
    m_sinceEvents.start();
  }
  const int slice = timeoutMs < 0 ? kSliceMs : std::min(timeoutMs, kSliceMs);
  if (const int r = waitNow(event, slice); r != 0) return r;
  if (timeoutMs >= 0 && timeoutMs <= slice) return 0;
  if (timeoutMs > 0) timeoutMs -= slice;

  const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                              : QDeadlineTimer(timeoutMs, Qt::PreciseTimer));
  QEventLoop loop;
  bool woken = false;
  const auto wake = [&] {
    woken = true;
    loop.quit();
  };
  QWinEventNotifier notifier(event);
  QObject::connect(&notifier, &QWinEventNotifier::activated, &loop, wake);
  QTimer timer;
  if (timeoutMs > 0) {
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, wake);
    timer.start(timeoutMs);
  }
  loop.exec(m_flags);
  m_sinceEvents.start();
  notifier.setEnabled(false);

  // The loop also returns without either when the application is quitting;
  // the rest of the wait then happens in WaitForSingleObject() itself.
  const int left = woken ? 0 : (deadline.isForever() ? -1 : int(deadline.remainingTime()));
  return waitNow(event, left);
}

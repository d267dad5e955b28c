// The window's wait on Windows. The serial port's reads and writes are
// overlapped; while one is under way the thread waits here for its event.
// As on Linux, the wait first blocks for a short slice, which covers the
// gaps between the characters of an answer, and handles the window's events
// between slices. The window thus paints at least every slice, with the
// transaction, its time-outs and its trace exactly as in a program without
// a window.
// A worker thread for the operation would do as well for painting, but the
// operations ask their questions through the message seam half way (a
// foreign module, a failed block) and touch the form as they go; on one
// thread, as on Linux, none of that needs marshalling between threads.
#include <windows.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>

#include "app/qt_io_wait.h"

int QtIoWait::waitEvent(void* event, int timeoutMs) {
  // Blocks in slices and handles the window's events between them. A
  // QWinEventNotifier on the transfer's event crashed under Wine after about
  // a hundred transactions (its thread-pool wait outlived the notifier), so
  // the slices are the whole wait.
  const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                              : QDeadlineTimer(timeoutMs, Qt::PreciseTimer));
  for (;;) {
    if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kSliceMs)) {
      QCoreApplication::processEvents(m_flags);
      m_sinceEvents.start();
    }
    const int left = deadline.isForever() ? kSliceMs : int(deadline.remainingTime());
    if (const int r = IoWait::waitEvent(event, std::min(left, kSliceMs)); r != 0) return r;
    if (!deadline.isForever() && deadline.hasExpired()) return 0;
  }
}

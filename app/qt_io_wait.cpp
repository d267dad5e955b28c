#include "app/qt_io_wait.h"

#include <poll.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <optional>

namespace {
// poll() on the descriptor for up to timeoutMs (-1: no limit). A signal that
// interrupts it does not shorten the wait: it goes on for the time left.
int pollNow(int fd, short events, short& revents, int timeoutMs = 0) {
  pollfd p{fd, events, 0};
  const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                              : QDeadlineTimer(timeoutMs, Qt::PreciseTimer));
  int r = 0;
  for (;;) {
    r = ::poll(&p, 1, timeoutMs);
    if (r >= 0 || errno != EINTR) break;
    if (!deadline.isForever()) timeoutMs = int(deadline.remainingTime());
  }
  revents = r > 0 ? p.revents : 0;
  return r;
}
}  // namespace

int QtIoWait::wait(int fd, short events, short& revents, int timeoutMs) {
  revents = 0;
  // An answer arrives a character at a time, about a millisecond apart at
  // 9600 baud. Setting up an event loop for each character would cost more
  // than the transaction itself, so the wait first blocks in poll() for a
  // short slice, and lets the window paint between slices; only a longer
  // silence runs the event loop.
  if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kSliceMs)) {
    QCoreApplication::processEvents(m_flags);
    m_sinceEvents.start();
  }
  const int slice = timeoutMs < 0 ? kSliceMs : std::min(timeoutMs, kSliceMs);
  if (const int r = pollNow(fd, events, revents, slice); r != 0) return r;
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
  // A read notifier also fires on a hang-up or an error, so a vanished
  // device ends the wait at once.
  std::optional<QSocketNotifier> readable, writable;
  if (events & io_event::kIn) {
    readable.emplace(fd, QSocketNotifier::Read);
    QObject::connect(&*readable, &QSocketNotifier::activated, &loop, wake);
  }
  if (events & io_event::kOut) {
    writable.emplace(fd, QSocketNotifier::Write);
    QObject::connect(&*writable, &QSocketNotifier::activated, &loop, wake);
  }
  QTimer timer;
  if (timeoutMs > 0) {
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, wake);
    timer.start(timeoutMs);
  }
  loop.exec(m_flags);
  m_sinceEvents.start();
  if (readable) readable->setEnabled(false);
  if (writable) writable->setEnabled(false);

  // The loop also returns without either when the application is quitting;
  // the rest of the wait then happens in poll() itself.
  const int left = woken ? 0 : (deadline.isForever() ? -1 : int(deadline.remainingTime()));
  return pollNow(fd, events, revents, left);
}

#include "app/qt_io_wait.h"

#include <poll.h>

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <optional>

namespace {
// What poll() says of the descriptor right now, without waiting.
int pollNow(int fd, short events, short& revents, int timeoutMs = 0) {
  pollfd p{fd, events, 0};
  int r = 0;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR && timeoutMs == 0);
  revents = r > 0 ? p.revents : 0;
  return r;
}
}  // namespace

int QtIoWait::wait(int fd, short events, short& revents, int timeoutMs) {
  revents = 0;
  // Ready already (a whole answer that arrived while the request went out):
  // no event loop needed.
  if (const int r = pollNow(fd, events, revents); r != 0) return r;
  if (timeoutMs == 0) return 0;

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
  if (readable) readable->setEnabled(false);
  if (writable) writable->setEnabled(false);

  // The loop also returns without either when the application is quitting;
  // the rest of the wait then happens in poll() itself.
  const int left = woken ? 0 : (deadline.isForever() ? -1 : int(deadline.remainingTime()));
  return pollNow(fd, events, revents, left);
}

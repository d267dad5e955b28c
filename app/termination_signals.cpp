#include "app/termination_signals.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace {
#ifndef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_writeEnd = -1;

extern "C" void forwardSignal(int sig) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  // A full pipe already holds enough to close the window.
  [[maybe_unused]] const ssize_t n = ::write(g_writeEnd, &b, 1);
  errno = saved;
}
#endif
}  // namespace

struct TerminationSignals::Saved {
#ifndef _WIN32
  int readEnd = -1;
  int writeEnd = -1;
  struct sigaction old[std::size(kSignals)]{};
  struct sigaction oldPipe {};
#endif
};

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent), m_saved(std::make_unique<Saved>()) {
#ifndef _WIN32
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &m_saved->oldPipe);

  int p[2];
  if (::pipe2(p, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_saved->readEnd = p[0];
  m_saved->writeEnd = p[1];
  g_writeEnd = p[1];
  m_notifier = new QSocketNotifier(p[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

  struct sigaction sa {};
  sa.sa_handler = forwardSignal;
  sigemptyset(&sa.sa_mask);
  // Interrupted waits go on by themselves (the serial device's read loop
  // and the window's wait both restart on EINTR); SA_RESTART keeps other
  // calls from failing for it.
  sa.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &m_saved->old[i]);
#endif
}

TerminationSignals::~TerminationSignals() {
#ifndef _WIN32
  if (m_notifier) {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &m_saved->old[i], nullptr);
    g_writeEnd = -1;
    delete m_notifier;
    ::close(m_saved->readEnd);
    ::close(m_saved->writeEnd);
  }
  sigaction(SIGPIPE, &m_saved->oldPipe, nullptr);
#endif
}

void TerminationSignals::readPipe() {
#ifndef _WIN32
  unsigned char buf[16];
  ssize_t n = 0;
  while ((n = ::read(m_saved->readEnd, buf, sizeof buf)) > 0)
    for (ssize_t i = 0; i < n; ++i) emit requested(buf[i]);
#endif
}

#include "sim/pty_module.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <vector>

#include "link/log_file.h"
#include "link/modbus_frames.h"

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::nanoseconds;

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool setRaw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  ::cfmakeraw(&t);
  t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

// True when path is a symbolic link that points at target.
bool linkPointsAt(const std::string& path, const std::string& target) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
  return n >= 0 && std::string(buf, std::size_t(n)) == target;
}
}  // namespace

PtyModule::PtyModule(std::shared_ptr<SimModule> module) : PtyModule(std::move(module), Options{}) {}

PtyModule::PtyModule(std::shared_ptr<SimModule> module, Options options)
    : m_module(std::move(module)), m_options(std::move(options)) {
  m_epoch = Clock::now();
}

PtyModule::~PtyModule() {
  stop();
  closeFd(m_wakeRead);
  closeFd(m_wakeWrite);
}

bool PtyModule::openTerminal() {
  int master = -1, slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    m_error = std::string("openpty: ") + std::strerror(errno);
    return false;
  }
  char name[PATH_MAX];
  if (::ptsname_r(master, name, sizeof name) != 0 || !setRaw(slave)) {
    m_error = std::string("pseudo-terminal setup: ") + std::strerror(errno);
    ::close(master);
    ::close(slave);
    return false;
  }
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  ::fcntl(master, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave, F_SETFD, FD_CLOEXEC);
  m_master = master;
  // Held open for the module's whole life: without it, the master side sees
  // a hang-up every time the client closes the port.
  m_slaveKeep = slave;
  m_slavePath = name;
  // Opens and closes by clients, counted to clear the exclusive flag when the
  // last one goes. Only successful opens are reported, so a client refused
  // with EBUSY counts neither way.
  {
    std::lock_guard lock(m_doneMutex);
    m_clients = 0;
  }
  // Without the watch (inotify instances exhausted) the module still serves;
  // only a holder that dies keeps the port locked for all but root.
  m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (m_watch >= 0 && ::inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE) < 0) closeFd(m_watch);
  if (m_watch < 0) log(std::string("cannot watch ") + name + " for clients: " + std::strerror(errno));

  if (!m_options.linkPath.empty()) {
    // Only a link to this very terminal is replaced; any other file at the
    // path, a link to somewhere else included, belongs to someone else.
    struct stat st {};
    if (::lstat(m_options.linkPath.c_str(), &st) == 0) {
      if (!S_ISLNK(st.st_mode) || !linkPointsAt(m_options.linkPath, m_slavePath)) {
        m_error =
            "cannot link " + m_options.linkPath + ": it exists and is not a link to this module's terminal";
        closeTerminal();
        return false;
      }
      ::unlink(m_options.linkPath.c_str());
    }
    if (::symlink(m_slavePath.c_str(), m_options.linkPath.c_str()) != 0) {
      m_error = "cannot link " + m_options.linkPath + ": " + std::strerror(errno);
      closeTerminal();
      return false;
    }
  }
  return true;
}

void PtyModule::closeTerminal() {
  // Closing the master hangs the terminal up: the client's poll() reports
  // POLLHUP, its read() 0 and its write() EIO, as with a pulled adapter.
  closeFd(m_watch);
  closeFd(m_master);
  closeFd(m_slaveKeep);
  if (!m_options.linkPath.empty() && linkPointsAt(m_options.linkPath, m_slavePath))
    ::unlink(m_options.linkPath.c_str());
}

bool PtyModule::start() {
  stop();  // also collects a thread that ended by a Vanish fault
  m_error.clear();
  if (m_wakeRead < 0) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC | O_NONBLOCK) != 0) {
      m_error = std::string("pipe: ") + std::strerror(errno);
      return false;
    }
    m_wakeRead = p[0];
    m_wakeWrite = p[1];
  }
  if (!m_log && !m_options.logPath.empty()) {
    if (m_options.logPath == "-") {
      m_log = &std::cerr;
    } else {
      std::string why;
      m_logFile = openLogFile(m_options.logPath, why);
      if (!m_logFile) {
        m_error = "cannot open the frame log " + m_options.logPath + ": " + why;
        return false;
      }
      m_log = m_logFile.get();
    }
  }
  if (!openTerminal()) return false;
  m_vanished = false;
  log("serving on " + m_slavePath + (m_options.pace ? " (paced at 9600 baud)" : ""));
  m_running = true;
  m_thread = std::thread([this] { serve(); });
  return true;
}

void PtyModule::stop() {
  if (m_thread.joinable()) {
    m_running = false;
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &b, 1);
    m_thread.join();
  }
  closeTerminal();
}

void PtyModule::vanish() {
  if (!m_thread.joinable()) return;  // not serving
  stop();
  if (!m_vanished) {
    m_vanished = true;
    log("vanished");
  }
}

bool PtyModule::reappear() {
  return start();
}

void PtyModule::requestDone() {
  {
    std::lock_guard lock(m_doneMutex);
    ++m_done;
  }
  m_doneChanged.notify_all();
}

std::size_t PtyModule::requestsDone() const {
  std::lock_guard lock(m_doneMutex);
  return m_done;
}

bool PtyModule::waitForRequestsDone(std::size_t n, std::chrono::milliseconds guard) const {
  std::unique_lock lock(m_doneMutex);
  return m_doneChanged.wait_for(lock, guard, [&] { return m_done >= n; });
}

void PtyModule::clientsChanged(int delta) {
  bool released = false;
  {
    std::lock_guard lock(m_doneMutex);
    m_clients = std::max(0, m_clients + delta);
    released = m_clients == 0;
    // Cleared under the lock, so that a waiter sees the flag gone.
    if (released) ::ioctl(m_slaveKeep, TIOCNXCL);
  }
  if (released) m_doneChanged.notify_all();
}

bool PtyModule::waitUntilReleased(std::chrono::milliseconds guard) const {
  std::unique_lock lock(m_doneMutex);
  return m_doneChanged.wait_for(lock, guard, [&] {
    int exclusive = 0;
    return m_clients == 0 &&
           (m_slaveKeep < 0 || ::ioctl(m_slaveKeep, TIOCGEXCL, &exclusive) != 0 || exclusive == 0);
  });
}

void PtyModule::log(const std::string& line) {
  if (!m_log) return;
  const double t = std::chrono::duration<double>(Clock::now() - m_epoch).count();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%12.6f] ", t);
  *m_log << stamp << line << std::endl;
}

// Counts the opens and closes that the watch reports, all that are queued
// at once, so that a close followed by a new open clears nothing.
void PtyModule::watchClients() {
  int delta = 0;
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = ::read(m_watch, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
      if (e->mask & IN_OPEN) ++delta;
      if (e->mask & IN_CLOSE) --delta;
      at += ssize_t(sizeof(inotify_event) + e->len);
    }
  }
  if (delta != 0) clientsChanged(delta);
}

// The serving loop: one poll() on the master, the wake pipe and the client
// watch, with a
// time-out only when something is due (the next paced byte, a delayed answer,
// the end of a partial frame). Requests are answered one at a time; bytes
// that arrive while an answer is going out wait their turn.
void PtyModule::serve() {
  std::vector<std::uint8_t> rx;
  std::vector<Clock::time_point> rxTimes;  // arrival time of each byte in rx
  std::vector<std::uint8_t> tx;
  std::size_t txSent = 0;
  Clock::time_point txStart{};  // paced: byte k is due at txStart + (k+1) characters
  bool held = false;            // the answer waits for the next request's first byte
  bool waitWritable = false;
  const nanoseconds discardSilence =
      m_options.pace ? kFrameSilence : nanoseconds(m_options.partialFrameTimeout);
  bool pace = m_options.pace;  // the answer going out now is paced
  int pacedAnswers = 0;        // answers still to pace for a LateAnswer fault
  // Paced: when the last answer's last character left. An answer never
  // starts before that plus a frame silence, also when its request has been
  // waiting meanwhile: two answers cannot overlap on a wire.
  std::optional<Clock::time_point> lineFree;

  auto nextTxDue = [&]() { return pace ? txStart + kCharTime * static_cast<long>(txSent + 1) : txStart; };

  while (m_running) {
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> wakeAt;
    if (txSent < tx.size()) {
      if (!waitWritable && !held) wakeAt = nextTxDue();
    } else if (!rx.empty()) {
      wakeAt = rxTimes.back() + discardSilence;
    }
    timespec ts{};
    timespec* timeout = nullptr;
    if (wakeAt) {
      const auto left = std::max(nanoseconds(0), std::chrono::duration_cast<nanoseconds>(*wakeAt - now));
      ts.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
      ts.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
      timeout = &ts;
    }
    pollfd fds[3] = {{m_master, static_cast<short>(POLLIN | (waitWritable ? POLLOUT : 0)), 0},
                     {m_wakeRead, POLLIN, 0},
                     {m_watch, POLLIN, 0}};
    const int r = ::ppoll(fds, 3, timeout, nullptr);
    if (r < 0 && errno != EINTR) {
      log(std::string("poll failed: ") + std::strerror(errno));
      break;
    }
    if (fds[1].revents & POLLIN) {
      char drain[16];
      while (::read(m_wakeRead, drain, sizeof drain) > 0) {
      }
      if (!m_running) break;
    }
    if (fds[2].revents & POLLIN) watchClients();
    if (fds[0].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) {
      std::uint8_t buf[1024];
      const ssize_t n = ::read(m_master, buf, sizeof buf);
      if (n > 0) {
        const Clock::time_point at = Clock::now();
        rx.insert(rx.end(), buf, buf + n);
        rxTimes.insert(rxTimes.end(), std::size_t(n), at);
        if (held) {
          // Released by the next request: it goes out after that request
          // has passed on the wire.
          held = false;
          txStart = pace ? at + kCharTime * static_cast<long>(n) + kFrameSilence : at;
        }
      } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        // Cannot happen while the slave side is held open; never spin on it.
        log("the pseudo-terminal failed");
        break;
      }
    }
    if (fds[0].revents & POLLOUT) waitWritable = false;

    // Send what is due of the current answer.
    if (txSent < tx.size() && !waitWritable && !held) {
      const Clock::time_point t = Clock::now();
      std::size_t due = tx.size();
      if (pace) {
        due = t < txStart ? 0 : std::size_t((t - txStart) / kCharTime);
        due = std::min(due, tx.size());
      } else if (t < txStart) {
        due = 0;
      }
      while (txSent < due) {
        const ssize_t n = ::write(m_master, tx.data() + txSent, due - txSent);
        if (n > 0) {
          txSent += std::size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
          waitWritable = true;  // the client does not read: wait until it does
          break;
        } else if (n < 0 && errno != EINTR) {
          log(std::string("write failed: ") + std::strerror(errno));
          tx.clear();
          txSent = 0;
          requestDone();
          break;
        }
      }
    }
    if (txSent < tx.size()) continue;
    if (!tx.empty()) {
      if (pace) lineFree = txStart + kCharTime * static_cast<long>(tx.size());
      requestDone();
    }
    tx.clear();
    txSent = 0;

    // Assemble the next request from the byte stream.
    bool hangUp = false;
    while (!rx.empty()) {
      const SimModule::Scan scan = SimModule::scanRequest(rx.data(), rx.size());
      if (scan.kind == SimModule::Scan::NeedMore) break;
      if (scan.kind == SimModule::Scan::DropByte) {
        // Not the start of a request: drop a byte and look again.
        log("dropped " + hexBytes(rx.data(), 1));
        rx.erase(rx.begin());
        rxTimes.erase(rxTimes.begin());
        continue;
      }
      const int len = static_cast<int>(scan.length);
      const Clock::time_point firstByte = rxTimes.front();
      const Clock::time_point lastByte = rxTimes[std::size_t(len) - 1];
      log("request " + hexBytes(rx.data(), std::size_t(len)));
      const SimModule::Reply reply = m_module->handle(rx.data(), std::size_t(len));
      rx.erase(rx.begin(), rx.begin() + len);
      rxTimes.erase(rxTimes.begin(), rxTimes.begin() + len);

      if (reply.fault == SimFault::Vanish) {
        hangUp = true;
        break;
      }
      const std::string faultNote =
          reply.fault == SimFault::None ? std::string() : std::string(" (") + simFaultName(reply.fault) + ")";
      if (reply.bytes.empty()) {
        log("no answer" + faultNote);
        requestDone();
        continue;
      }
      log("answer " + hexBytes(reply.bytes.data(), reply.bytes.size()) + faultNote);
      tx = reply.bytes;
      txSent = 0;
      if (reply.pacedWithNext) pacedAnswers = 2;
      pace = m_options.pace || pacedAnswers > 0;
      if (pacedAnswers > 0) --pacedAnswers;
      // Bytes of the next request may be here already: then it is not held.
      held = reply.delayMs == SimModule::kUntilNextRequest && rx.empty();
      const nanoseconds delay = std::chrono::milliseconds(std::max(0, reply.delayMs));
      if (pace) {
        // The pseudo-terminal delivered the request at once; on the wire its
        // last byte would have arrived len characters after the first.
        const Clock::time_point requestEnd = std::max(lastByte, firstByte + kCharTime * len);
        txStart = requestEnd + kFrameSilence + delay;
        if (lineFree) txStart = std::max(txStart, *lineFree + kFrameSilence);
      } else {
        txStart = Clock::now() + delay;
      }
      break;  // answer this one before looking at the next
    }
    if (hangUp) {
      closeTerminal();
      m_vanished = true;
      log("vanished");
      requestDone();
      break;
    }
    // A partial frame that the line has left silent is discarded.
    if (tx.empty() && !rx.empty() && Clock::now() - rxTimes.back() >= discardSilence) {
      log("discarded " + hexBytes(rx.data(), rx.size()));
      rx.clear();
      rxTimes.clear();
    }
  }
  m_running = false;
}

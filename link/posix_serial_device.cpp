#include "link/posix_serial_device.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <thread>

#include "link/io_wait.h"

namespace {
using Nanos = long long;

Nanos monotonicNow() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return Nanos(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Milliseconds left until deadline, rounded up so that poll() never gets a
// zero time-out while time remains (that would spin).
int millisecondsLeft(Nanos deadline) {
  const Nanos left = deadline - monotonicNow();
  if (left <= 0) return 0;
  return static_cast<int>((left + 999'999) / 1'000'000);
}

std::string groupOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
  return std::to_string(st.st_gid);
}

// The reason an open failed, worded for the user who has to fix it.
std::string openFailureText(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "The device " + path + " does not exist.";
    case EACCES:
    case EPERM: {
      const std::string group = groupOf(path);
      if (group.empty()) return "Permission denied: " + path;
      return "Permission denied: " + path + " belongs to group " + group;
    }
    case EBUSY:
    case EWOULDBLOCK:
      return "Another program holds " + path + ".";
    default:
      return std::string(std::strerror(err)) + ": " + path;
  }
}

constexpr short kLostEvents = POLLERR | POLLHUP | POLLNVAL;

// Runs a system call that can block for long (opening a Bluetooth serial port
// connects first) on a helper thread, and waits for it through the IoWait, so
// that a window keeps painting meanwhile. Without an IoWait the call runs
// right here. errno is the call's own afterwards.
template <class Call>
int blockingCall(IoWait* wait, Call call) {
  const int done = wait ? ::eventfd(0, EFD_CLOEXEC) : -1;
  if (done < 0) return call();
  int result = -1;
  int err = 0;
  std::thread helper([&] {
    result = call();
    err = errno;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(done, &one, sizeof one);
  });
  short revents = 0;
  int r = 0;
  do {
    r = wait->wait(done, io_event::kIn, revents, -1);
  } while (r == 0 || (r < 0 && errno == EINTR));
  helper.join();  // at once, unless waiting itself failed
  ::close(done);
  errno = err;
  return result;
}
}  // namespace

std::unique_ptr<SerialDevice> makeSystemSerialDevice() {
  return std::make_unique<PosixSerialDevice>();
}

int PosixSerialDevice::waitFor(short events, short& revents, int timeoutMs) {
  static IoWait plain;  // stateless: waits in poll()
  return (m_wait ? m_wait : &plain)->wait(m_fd, events, revents, timeoutMs);
}

void PosixSerialDevice::setError(int err, const std::string& what) {
  m_error = err;
  m_errorText = what;
}

bool PosixSerialDevice::open(const std::string& path) {
  close();
  m_error = 0;
  m_errorText.clear();
  m_path = path;

  // Non-blocking: a port whose carrier line is low must not hang the open,
  // and all later I/O waits in poll() against its own deadline.
  const int fd = blockingCall(
      m_wait, [&path] { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) {
    const int err = errno;
    setError(err, openFailureText(err, path));
    return false;
  }
  // Exclusive in two ways: flock() refuses a second opener in any process,
  // root included; TIOCEXCL also keeps out programs that do not use flock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    setError(err, openFailureText(err, path));
    return false;
  }
  ::ioctl(fd, TIOCEXCL);  // not a terminal: the line settings will fail later
  m_fd = fd;
  return true;
}

bool PosixSerialDevice::applyLineSettings() {
  m_error = 0;
  m_errorText.clear();
  if (m_fd < 0) {
    setError(EBADF, "The port is not open.");
    return false;
  }
  termios t{};
  if (::tcgetattr(m_fd, &t) != 0) {
    const int err = errno;
    setError(err, std::string("Cannot read the line settings of ") + m_path + ": " + std::strerror(err));
    return false;
  }
  ::cfmakeraw(&t);
  t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CRTSCTS);
  t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
  t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
  // A non-blocking read of an empty queue then fails with EAGAIN, so a read
  // that returns 0 bytes can only mean the device has gone.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
  if (::tcsetattr(m_fd, TCSANOW, &t) != 0) {
    const int err = errno;
    setError(err, std::string("Cannot set 9600 8N2 on ") + m_path + ": " + std::strerror(err));
    return false;
  }
  // tcsetattr() succeeds when any part was applied; check the parts that matter.
  termios back{};
  if (::tcgetattr(m_fd, &back) != 0 || ::cfgetospeed(&back) != B9600 || (back.c_cflag & CSIZE) != CS8 ||
      !(back.c_cflag & CSTOPB) || (back.c_cflag & PARENB) || (back.c_cflag & CRTSCTS)) {
    setError(EINVAL, m_path + " does not accept 9600 baud, 8 data bits, no parity, 2 stop bits.");
    return false;
  }
  // RTS held off. Pseudo-terminals have no modem lines; that is not an error.
  int rts = TIOCM_RTS;
  ::ioctl(m_fd, TIOCMBIC, &rts);
  return true;
}

bool PosixSerialDevice::setTimeouts(int readTotalMs, int writeTotalMs) {
  m_error = 0;
  m_errorText.clear();
  if (m_fd < 0) {
    setError(EBADF, "The port is not open.");
    return false;
  }
  if (readTotalMs < 0 || writeTotalMs < 0) {
    setError(EINVAL, "Negative time-out.");
    return false;
  }
  m_readTimeoutMs = readTotalMs;
  m_writeTimeoutMs = writeTotalMs;
  return true;
}

bool PosixSerialDevice::purge() {
  m_error = 0;
  m_errorText.clear();
  if (m_fd < 0) {
    setError(EBADF, "The port is not open.");
    return false;
  }
  if (::tcflush(m_fd, TCIOFLUSH) != 0) {
    const int err = errno;
    setError(err, std::string("Cannot discard the queues of ") + m_path + ": " + std::strerror(err));
    return false;
  }
  return true;
}

bool PosixSerialDevice::write(const std::uint8_t* data, std::size_t len, std::size_t& written) {
  written = 0;
  m_error = 0;
  m_errorText.clear();
  if (m_fd < 0) {
    setError(EBADF, "The port is not open.");
    return false;
  }
  const Nanos deadline = monotonicNow() + Nanos(m_writeTimeoutMs) * 1'000'000;
  while (written < len) {
    const ssize_t n = ::write(m_fd, data + written, len - written);
    if (n > 0) {
      written += std::size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      const int err = errno;
      setError(err, err == EIO ? "The device " + m_path + " has gone (disconnected)."
                               : std::string("Write to ") + m_path + " failed: " + std::strerror(err));
      return false;
    }
    // The output queue is full: wait until it takes more or the time is up.
    const int left = millisecondsLeft(deadline);
    if (left == 0) return true;  // cut short by the time-out: fewer bytes written, not an error
    short revents = 0;
    const int r = waitFor(POLLOUT, revents, left);
    if (r < 0 && errno != EINTR) {
      const int err = errno;
      setError(err, std::string("Waiting to write to ") + m_path + " failed: " + std::strerror(err));
      return false;
    }
    if (r > 0 && (revents & kLostEvents) && !(revents & POLLOUT)) {
      setError(EIO, "The device " + m_path + " has gone (disconnected).");
      return false;
    }
  }
  return true;
}

bool PosixSerialDevice::read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) {
  got = 0;
  m_error = 0;
  m_errorText.clear();
  if (m_fd < 0) {
    setError(EBADF, "The port is not open.");
    return false;
  }
  const Nanos deadline = monotonicNow() + Nanos(m_readTimeoutMs) * 1'000'000;
  while (got < maxLen) {
    const int left = millisecondsLeft(deadline);
    if (left == 0) return true;  // time-out: success with what arrived
    short revents = 0;
    const int r = waitFor(POLLIN, revents, left);
    if (r < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      setError(err, std::string("Waiting to read from ") + m_path + " failed: " + std::strerror(err));
      return false;
    }
    if (r == 0) continue;  // the deadline is checked at the top
    if (revents & POLLIN) {
      const ssize_t n = ::read(m_fd, buf + got, maxLen - got);
      if (n > 0) {
        got += std::size_t(n);
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) && !(revents & kLostEvents))
        continue;
      // Readable but end of file, or EIO: the device has gone.
      const int err = n == 0 ? EIO : errno;
      setError(err, err == EIO ? "The device " + m_path + " has gone (disconnected)."
                               : std::string("Read from ") + m_path + " failed: " + std::strerror(err));
      return false;
    }
    if (revents & kLostEvents) {
      setError(EIO, "The device " + m_path + " has gone (disconnected).");
      return false;
    }
  }
  return true;
}

void PosixSerialDevice::close() {
  if (m_fd < 0) return;
  // TIOCEXCL would outlive this descriptor if another one stays open.
  ::ioctl(m_fd, TIOCNXCL);
  ::flock(m_fd, LOCK_UN);
  // Closed right here, never through the IoWait: close() also runs from
  // destructors, where a window's event loop must not run.
  ::close(m_fd);
  m_fd = -1;
}

#pragma once
// IoWait: how the serial device waits for its descriptor to become ready
// (POSIX) or for an overlapped transfer to complete (Windows). This base
// waits in poll() or WaitForSingleObject(); a program with a window installs
// one that keeps its window painted while it waits. Every implementation
// returns the moment the device is ready: no polling in steps, no added sleep.

namespace io_event {
// The conditions of one wait, as poll() names them.
constexpr short kIn = 0x001;   // POLLIN
constexpr short kOut = 0x004;  // POLLOUT
}  // namespace io_event

class IoWait {
 public:
  virtual ~IoWait() = default;

  // Waits until fd reports one of events (io_event flags), a hang-up or an
  // error, or timeoutMs milliseconds have passed (-1: no limit). Returns as
  // poll() on one descriptor does: 1 when ready with revents set, 0 on
  // time-out, -1 on failure with errno set.
  virtual int wait(int fd, short events, short& revents, int timeoutMs);

  // Windows: waits until the event object (a HANDLE) is signalled, as when an
  // overlapped read or write completes, or timeoutMs milliseconds have passed
  // (-1: no limit). 1 when signalled, 0 on time-out, -1 on failure. This base
  // waits in WaitForSingleObject; elsewhere it fails with ENOSYS.
  virtual int waitEvent(void* event, int timeoutMs);
};

#include "link/io_wait.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>

// The Windows port waits for its transfers' events, never for a descriptor.
int IoWait::wait(int /*fd*/, short /*events*/, short& revents, int /*timeoutMs*/) {
  revents = 0;
  errno = ENOSYS;
  return -1;
}

int IoWait::waitEvent(void* event, int timeoutMs) {
  switch (::WaitForSingleObject(event, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs))) {
    case WAIT_OBJECT_0:
      return 1;
    case WAIT_TIMEOUT:
      return 0;
    default:
      return -1;
  }
}
#else
#include <poll.h>

static_assert(io_event::kIn == POLLIN && io_event::kOut == POLLOUT, "io_event flags are poll()'s");

int IoWait::wait(int fd, short events, short& revents, int timeoutMs) {
  pollfd p{fd, events, 0};
  const int r = ::poll(&p, 1, timeoutMs);
  revents = r > 0 ? p.revents : 0;
  return r;
}

int IoWait::waitEvent(void* /*event*/, int /*timeoutMs*/) {
  errno = ENOSYS;
  return -1;
}
#endif

#include "link/io_wait.h"

#ifdef _WIN32
#include <cerrno>

// The Windows port waits inside ReadFile with its own time-outs and never
// asks for a descriptor wait.
int IoWait::wait(int /*fd*/, short /*events*/, short& revents, int /*timeoutMs*/) {
  revents = 0;
  errno = ENOSYS;
  return -1;
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
#endif

#include "link/io_wait.h"

#include <poll.h>

static_assert(io_event::kIn == POLLIN && io_event::kOut == POLLOUT, "io_event flags are poll()'s");

int IoWait::wait(int fd, short events, short& revents, int timeoutMs) {
  pollfd p{fd, events, 0};
  const int r = ::poll(&p, 1, timeoutMs);
  revents = r > 0 ? p.revents : 0;
  return r;
}

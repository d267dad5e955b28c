// tq740ctl: command-line backup, restore and verification of a TQ-740-0.

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <iostream>

#include "ctl/ctl_app.h"

namespace {
// A progress line is drawn only where a person watches standard error.
bool standardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) == 1;
#endif
}

// A standard descriptor that was closed when the program started would be
// taken by the next file opened, the serial port or the output file, and
// text meant for the terminal would land there. Each is held by /dev/null,
// opened for reading only, so that writes to it still fail and are reported.
void holdClosedStandardDescriptors() {
#ifndef _WIN32
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) < 0) {
      const int held = ::open("/dev/null", O_RDONLY);
      if (held >= 0 && held != fd) {
        ::dup2(held, fd);
        ::close(held);
      }
    }
#endif
}
}  // namespace

int main(int argc, char** argv) {
  holdClosedStandardDescriptors();
  std::vector<std::string> args(argv + 1, argv + argc);
  return runCtl(args, CtlStreams{std::cout, std::cerr, standardErrorIsTerminal()});
}

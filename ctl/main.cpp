// tq740ctl: command-line backup, restore and verification of a TQ-740-0.

#ifdef _WIN32
#include <io.h>
#else
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
}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return runCtl(args, CtlStreams{std::cout, std::cerr, standardErrorIsTerminal()});
}

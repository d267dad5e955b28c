// tq740ctl: command-line backup, restore and verification of a TQ-740-0.

#include <unistd.h>

#include <iostream>

#include "ctl/ctl_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return runCtl(args, CtlStreams{std::cout, std::cerr, isatty(STDERR_FILENO) == 1});
}

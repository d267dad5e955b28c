// The tq740conf program itself, run with no display at all: help, version
// and every kind of bad usage end before a window would be needed, with the
// exit status and the one error line that scripts rely on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program with the display variables removed, so that a step that
// needed a display would fail.
ProgramRun runProgram(const std::string& args) {
  const TempDir dir("tq740conf-args");
  EXPECT_TRUE(dir.ok());
  const std::string out = dir.file("out"), err = dir.file("err");
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " TQ740CONF_PROGRAM " " +
                              args + " >" + out + " 2>" + err + " </dev/null";
  ProgramRun r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

TEST(ProgramArgs, HelpVersionAndBadUsageNeedNoDisplay) {
  struct Case {
    const char* args;
    int status;
    const char* outStart;  // stdout begins with this
    const char* errLine;   // the first line of stderr ("" = none)
  } cases[] = {
      {"--help", 0, "Usage: tq740conf [OPTION]... [FILE]\n", ""},
      {"-h", 0, "Usage: tq740conf", ""},
      {"--version", 0, "TQ740conf 1.0\n", ""},
      {"--frobnicate", 2, "", "tq740conf: unknown option --frobnicate"},
      {"--port 5=/dev/ttyS4", 2, "",
       "tq740conf: bad --port '5=/dev/ttyS4': port number must be 1 to 4, got \"5\""},
      {"--port", 2, "", "tq740conf: --port needs a value N=PATH"},
      {"a.json b.json", 2, "", "tq740conf: more than one file name given: b.json"},
  };
  for (const Case& c : cases) {
    const ProgramRun r = runProgram(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out.rfind(c.outStart, 0), 0u) << c.args << "\n" << r.out;
    if (*c.errLine) {
      EXPECT_EQ(r.err, std::string(c.errLine) + "\nTry 'tq740conf --help'.\n") << c.args;
    } else {
      EXPECT_EQ(r.err, "") << c.args;
    }
  }
}

}  // namespace

// tq740-sim's command line: what each argument list gives, and for a usage
// error the one line that names it.

#include <gtest/gtest.h>

#include <sstream>

#include "model/version.h"
#include "sim/sim_options.h"

namespace {

struct Parsed {
  std::optional<int> code;
  std::string out, err;
  SimProgramOptions options;
};

Parsed parse(const std::vector<std::string>& args) {
  Parsed p;
  std::ostringstream out, err;
  p.code = parseSimArgs(args, p.options, out, err);
  p.out = out.str();
  p.err = err.str();
  return p;
}

TEST(SimOptions, NumbersAreDecimalAndRepeatedOptionsKeepTheirOrder) {
  const Parsed p = parse({"--orders", "010", "--master-mode=01", "--set", "20=0010", "--set", "4=7",
                          "--extra-address", "09", "--fault", "no-answer@010", "--fault", "wrong-crc",
                          "--link", "x", "--log", "-", "--pace"});
  ASSERT_FALSE(p.code) << p.err;
  EXPECT_EQ(p.options.orders, 10);
  EXPECT_EQ(p.options.masterMode, 1);
  EXPECT_EQ(p.options.extraAddress, 9);
  EXPECT_EQ(p.options.sets, (std::vector<std::pair<int, std::uint16_t>>{{20, 10}, {4, 7}}));
  ASSERT_EQ(p.options.faults.size(), 2u);
  EXPECT_EQ(p.options.faults[0].fault, SimFault::NoAnswer);
  EXPECT_EQ(p.options.faults[0].request, 10);
  EXPECT_EQ(p.options.faults[1].fault, SimFault::WrongCrc);
  EXPECT_EQ(p.options.pty.linkPath, "x");
  EXPECT_EQ(p.options.pty.logPath, "-");
  EXPECT_TRUE(p.options.pty.pace);
}

TEST(SimOptions, HelpVersionAndUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string said;  // standard output, or the first line on standard error
  };
  const Case cases[] = {
      {{"--version"}, 0, std::string(kVersionLine)},
      {{"--orders", "0x10"}, 2, "tq740-sim: --orders needs a number 0 to 150"},
      {{"--orders", "151"}, 2, "tq740-sim: --orders needs a number 0 to 150"},
      {{"--orders"}, 2, "tq740-sim: --orders needs a number 0 to 150"},
      {{"--link"}, 2, "tq740-sim: --link needs a path"},
      {{"--log"}, 2, "tq740-sim: --log needs a file name or -"},
      {{"--master-mode", "2"}, 2, "tq740-sim: --master-mode needs 0 (Normal mode) or 1 (Catch mode)"},
      {{"--set", "1024=1"}, 2, "tq740-sim: --set needs REG=VALUE with REG 0 to 1023 and VALUE 0 to 65535"},
      {{"--set", "07"}, 2, "tq740-sim: --set needs REG=VALUE with REG 0 to 1023 and VALUE 0 to 65535"},
      {{"--extra-address", "248"}, 2, "tq740-sim: --extra-address needs 1 to 247"},
      {{"--fault"}, 2, "tq740-sim: --fault needs a fault description"},
      {{"--fault", "melt"}, 2, "tq740-sim: unknown fault \"melt\""},
      {{"--fault", "delay:ms=x"}, 2, "tq740-sim: bad fault option \"ms=x\" in \"delay:ms=x\""},
      {{"--bogus"}, 2, "tq740-sim: unknown option \"--bogus\""},
      {{"serve"}, 2, "tq740-sim: unknown option \"serve\""},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    const Parsed p = parse(c.args);
    ASSERT_TRUE(p.code);
    EXPECT_EQ(*p.code, c.code);
    if (c.code == 0) {
      EXPECT_EQ(p.out, c.said);
      EXPECT_EQ(p.err, "");
    } else {
      EXPECT_EQ(p.err, c.said + "\nTry 'tq740-sim --help'.\n");
      EXPECT_EQ(p.out, "");
    }
  }
}

// The help has the usage line of the other programs, names every option and
// keeps within 80 columns.
TEST(SimOptions, HelpTextHasTheUsageLineAndFitsTheTerminal) {
  const Parsed p = parse({"--help"});
  ASSERT_EQ(p.code, 0);
  EXPECT_EQ(p.out, simUsageText());
  EXPECT_EQ(p.out.rfind("Usage: tq740-sim [OPTION]...\n", 0), 0u);
  for (const char* option : {"--link", "--pace", "--log", "--orders", "--master-mode", "--set",
                             "--extra-address", "--fault", "--help", "--version"})
    EXPECT_NE(p.out.find(std::string("  ") + option + " "), std::string::npos) << option;
  std::istringstream lines(p.out);
  for (std::string l; std::getline(lines, l);) EXPECT_LE(l.size(), 80u) << l;
}

}  // namespace

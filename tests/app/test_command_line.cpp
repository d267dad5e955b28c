// The command line: every option, its errors and the exit status.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

using Action = CommandLine::Action;

struct Case {
  const char* name;
  std::vector<std::string> args;
  Action action;
  std::string file;
  bool simulate;
  std::string trace;
  std::string port1, port3;  // expected paths ("" = the default)
  std::string errorContains;
};

class CommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineTest, Parses) {
  const Case& c = GetParam();
  const CommandLine cl = parseCommandLine(c.args);
  EXPECT_EQ(cl.action, c.action);
  if (c.action == Action::Error) {
    EXPECT_NE(cl.error.find(c.errorContains), std::string::npos) << cl.error;
    EXPECT_EQ(cl.error.find('\n'), std::string::npos) << "one line: " << cl.error;
    return;
  }
  EXPECT_EQ(cl.file, c.file);
  EXPECT_EQ(cl.simulate, c.simulate);
  EXPECT_EQ(cl.trace, c.trace);
  const PortMap defaults;
  EXPECT_EQ(cl.ports.path(1), c.port1.empty() ? defaults.path(1) : c.port1);
  EXPECT_EQ(cl.ports.path(3), c.port3.empty() ? defaults.path(3) : c.port3);
  EXPECT_EQ(cl.portNamed(1), !c.port1.empty());
  EXPECT_EQ(cl.portNamed(2), false);
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const Case kCases[] = {
    {"none", {}, Action::Run, "", false, "", "", "", ""},
    {"file", {"conf.tq"}, Action::Run, "conf.tq", false, "", "", "", ""},
    {"file_after_double_dash", {"--", "--simulate"}, Action::Run, "--simulate", false, "", "", "", ""},
    {"ports_repeatable",
     {"--port", "1=/dev/pts/7", "--port=3=/dev/ttyUSB0"},
     Action::Run,
     "",
     false,
     "",
     "/dev/pts/7",
     "/dev/ttyUSB0",
     ""},
    {"simulate_trace_file",
     {"--simulate", "--trace", "-", "a.cfg"},
     Action::Run,
     "a.cfg",
     true,
     "-",
     "",
     "",
     ""},
    {"help", {"--help"}, Action::Help, "", false, "", "", "", ""},
    {"version", {"--version"}, Action::Version, "", false, "", "", "", ""},
    {"unknown_option", {"--frobnicate"}, Action::Error, "", false, "", "", "", "unknown option --frobnicate"},
    {"port_number_5", {"--port", "5=/dev/ttyS4"}, Action::Error, "", false, "", "", "", "1 to 4"},
    {"port_number_0", {"--port=0=/dev/ttyS4"}, Action::Error, "", false, "", "", "", "1 to 4"},
    {"port_without_path", {"--port", "2="}, Action::Error, "", false, "", "", "", "--port"},
    {"port_without_equals", {"--port", "/dev/ttyS0"}, Action::Error, "", false, "", "", "", "--port"},
    {"port_missing_value", {"--port"}, Action::Error, "", false, "", "", "", "--port needs"},
    {"trace_missing_value", {"--trace"}, Action::Error, "", false, "", "", "", "--trace needs"},
    {"two_files", {"a", "b"}, Action::Error, "", false, "", "", "", "more than one file"},
    {"short_help_wins_over_others", {"--simulate", "-h"}, Action::Help, "", true, "", "", "", ""},
    {"dash_is_a_file_name", {"-"}, Action::Run, "-", false, "", "", "", ""},
    {"values_after_equals_sign",
     {"--trace=t.log", "--port=1=/dev/ttyACM0"},
     Action::Run,
     "",
     false,
     "t.log",
     "/dev/ttyACM0",
     "",
     ""},
    {"unknown_short_option", {"-x"}, Action::Error, "", false, "", "", "", "unknown option -x"},
    {"trace_empty_value", {"--trace="}, Action::Error, "", false, "", "", "", "--trace needs"},
};

INSTANTIATE_TEST_SUITE_P(Args, CommandLineTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineText, UsageNamesEveryOptionAndVersionIsFixed) {
  const std::string usage = usageText();
  for (const char* opt : {"--port N=PATH", "--simulate", "--trace FILE", "--help", "--version"})
    EXPECT_NE(usage.find(opt), std::string::npos) << opt;
  EXPECT_EQ(versionText(), "TQ740conf 1.0\n");
  EXPECT_EQ(kUsageExitStatus, 2);
}

}  // namespace

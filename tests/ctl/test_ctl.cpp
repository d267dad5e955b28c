// tq740ctl against the simulated module over a real pseudo-terminal, run
// in-process through runCtl.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include "ctl/ctl_app.h"
#include "tests/ctl/ctl_run.h"
#include "model/configuration.h"
#include "model/configuration_json.h"
#include "model/wire_timing.h"
#include "sim/pty_module.h"
#include "tests/support/fixed_port_discovery.h"
#include "tests/support/temp_dir.h"

namespace {

using ctltest::contentOf;
using ctltest::ctl;
using ctltest::Result;

int writeRequests(const SimModule& m) {
  int n = 0;
  for (const SimRequest& r : m.requests()) n += r.function == 16;
  return n;
}

class Module {
 public:
  explicit Module(PtyModule::Options options = {})
      : m_sim(std::make_shared<SimModule>()), m_pty(m_sim, options) {
    EXPECT_TRUE(m_pty.start());
  }
  SimModule& sim() { return *m_sim; }
  PtyModule& pty() { return m_pty; }
  const std::string& path() const { return m_pty.slavePath(); }

 private:
  std::shared_ptr<SimModule> m_sim;
  PtyModule m_pty;
};

class CtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_temp.ok());
    m_dir = m_temp.path();
  }

  std::string file(const std::string& name, const std::string& text) {
    const std::string path = m_dir + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
  TempDir m_temp{"tq740ctl-test"};
  std::string m_dir;
};

// The registers a write sets: 4..14, 19..29 and the order records.
void expectSameConfiguration(const SimModule& a, const SimModule& b) {
  for (int r = 4; r <= 29; ++r) {
    if (r >= 15 && r <= 18) continue;
    EXPECT_EQ(a.registerValue(r), b.registerValue(r)) << "register " << r;
  }
  for (int r = 50; r < 50 + 5 * a.registerValue(20); ++r)
    EXPECT_EQ(a.registerValue(r), b.registerValue(r)) << "register " << r;
}

TEST_F(CtlTest, ReadWriteVerifyThenDiffShowsNoDifference) {
  Module source, target;
  source.sim().setOrders(5);
  source.sim().setRegister(reg::kCom2Baud, 7);       // "115200"
  source.sim().setRegister(reg::kCom3SlaveMode, 4);  // "Redirect all address mode"
  source.sim().setRegister(reg::kMasterPoolTime, 65535);
  target.sim().setOrders(2);
  target.sim().setRegister(reg::kCom1SlaveAddress, 200);

  const std::string backup = m_dir + "/backup.json";
  Result r = ctl({"read", "--port", source.path(), "-o", backup});
  ASSERT_EQ(r.code, 0) << r.err;
  const Result printed = ctl({"read", "--port", source.path()});
  ASSERT_EQ(printed.code, 0);
  EXPECT_NE(printed.out.find("\"baudrate\": \"115200\""), std::string::npos);
  EXPECT_NE(printed.out.find("\"slave_mode\": \"Redirect all address mode\""), std::string::npos);
  EXPECT_NE(printed.out.find("\"product_code\": 302010301"), std::string::npos);

  // Before the restore the two modules differ, field by field.
  r = ctl({"diff", "--port", target.path(), backup});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("com1.slave_address: 200 -> 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("master.orders: 2 orders -> 5 orders"), std::string::npos) << r.out;

  // A dry run touches no module.
  target.sim().clearRequests();
  r = ctl({"write", "--dry-run", backup});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("write start 70, count 5:"), std::string::npos) << r.out;
  EXPECT_TRUE(target.sim().requests().empty());

  r = ctl({"write", "--port", target.path(), backup, "--verify"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("message 67\n\nWrite parameters to device OK."), std::string::npos);
  EXPECT_NE(r.err.find("Verified"), std::string::npos);
  expectSameConfiguration(source.sim(), target.sim());

  // The same transactions, in the same order, as the configurator's write.
  std::vector<std::pair<int, int>> writes;
  for (const SimRequest& q : target.sim().requests()) {
    if (q.function == 16) writes.emplace_back(q.start, q.count);
    if (writes.size() == 7) break;
  }
  EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{
                        {4, 11}, {19, 11}, {50, 5}, {55, 5}, {60, 5}, {65, 5}, {70, 5}}));

  r = ctl({"diff", "--port", target.path(), backup});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "");
  const std::string second = m_dir + "/second.json";
  ASSERT_EQ(ctl({"read", "--port", target.path(), "-o", second}).code, 0);
  EXPECT_EQ(ctl({"diff", backup, second}).code, 0);
}

// Replaces the first occurrence of what in text.
std::string replaced(std::string text, const std::string& what, const std::string& with) {
  const std::size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  if (at != std::string::npos) text.replace(at, what.size(), with);
  return text;
}

struct BadFile {
  const char* name;
  std::function<std::string(Configuration)> make;  // from a valid configuration
  std::vector<std::string> problems;               // one per bad field, in order
};

TEST_F(CtlTest, InvalidFilesAreRefusedAndNothingIsWritten) {
  const Configuration valid = Configuration::fromImage(SimModule().image(), 3);
  const std::vector<BadFile> cases = {
      {"invalid JSON",
       [](Configuration d) { return config_json::write(d).substr(0, 40); },
       {"not valid JSON"}},
      {"not an object", [](Configuration) { return std::string("[1, 2]"); }, {"expected an object"}},
      {"unknown field",
       [](Configuration d) {
         return replaced(config_json::write(d), "\"parity\"", "\"baud\": 1, \"parity\"");
       },
       {"com1.baud: unknown field"}},
      {"missing field",
       [](Configuration d) { return replaced(config_json::write(d), "\"timeout\": 500,", ""); },
       {"master.timeout: missing"}},
      {"missing group",
       [](Configuration d) { return replaced(config_json::write(d), "\"com4\": {", "\"com5\": {"); },
       {"com4: missing", "com5: unknown field"}},
      {"wrong type",
       [](Configuration d) {
         return replaced(config_json::write(d), "\"slave_address\": 1,", "\"slave_address\": \"1\",");
       },
       {"com1.slave_address: expected a whole number, got \"1\""}},
      {"fraction",
       [](Configuration d) {
         return replaced(config_json::write(d), "\"pooltime\": 100", "\"pooltime\": 1.5");
       },
       {"master.pooltime: expected a whole number, got 1.5"}},
      {"choice as a number",
       [](Configuration d) {
         return replaced(config_json::write(d), "\"parity\": \"8N2\"", "\"parity\": 4");
       },
       {"com1.parity: expected one of \"8N1\""}},
      {"out of range",
       [](Configuration d) {
         d.setValue(reg::kCom3SlaveAddress, 251);
         d.setValue(reg::kMasterMaxErrors, 0);
         return config_json::write(d);
       },
       {"com3.slave_address: 251 is out of range 1..250",
        "master.max_number_error: 0 is out of range 1..255"}},
      {"bad choice text",
       [](Configuration d) { return replaced(config_json::write(d), "\"9600\"", "\"9601\""); },
       {"com1.baudrate: \"9601\" is not one of \"1200\""}},
      {"slave mode rule",
       [](Configuration d) {
         d.setValue(reg::kCom2SlaveMode, 2);
         return config_json::write(d);
       },
       {"com2.slave_mode: \"Catch all address mode\" is not allowed with master mode \"Normal mode\""}},
      {"order beyond its byte",
       [](Configuration d) {
         d.orders[0].slaveAddress = 300;
         return config_json::write(d);
       },
       {"master.orders[0].slave_address: 300 is out of range 0..255"}},
      {"151 orders",
       [](Configuration d) {
         d.orders.assign(151, d.orders[0]);
         return config_json::write(d);
       },
       {"master.orders: 151 orders, at most 150"}},
  };

  Module module;
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.name);
    module.sim().clearRequests();
    const std::string path = file("bad.json", c.make(valid));
    const Result r = ctl({"write", "--port", module.path(), path, "--verify"});
    EXPECT_EQ(r.code, 2);
    // One line per bad field, each naming the file and the field.
    std::vector<std::string> lines;
    std::istringstream err(r.err);
    for (std::string line; std::getline(err, line);) {
      if (line.rfind(path + ": ", 0) == 0) lines.push_back(line.substr(path.size() + 2));
    }
    ASSERT_EQ(lines.size(), c.problems.size()) << r.err;
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_EQ(lines[i].rfind(c.problems[i], 0), 0u) << lines[i];
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos);
    EXPECT_TRUE(module.sim().requests().empty());
  }
  // The unchanged valid file is written.
  const Result r = ctl({"write", "--port", module.path(), file("good.json", config_json::write(valid))});
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(CtlTest, ForeignProductCodeIsWrittenOnlyWithForce) {
  Module module;
  module.sim().setRegister(reg::kProductCodeLow, 20414);
  Configuration doc = Configuration::fromImage(SimModule().image(), 3);
  doc.setValue(reg::kCom1SlaveAddress, 42);
  const std::string path = file("config.json", config_json::write(doc));

  Result r = ctl({"write", "--port", module.path(), path});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("message 59\n\nConnected device is different than attended."), std::string::npos)
      << r.err;
  EXPECT_EQ(writeRequests(module.sim()), 0);
  EXPECT_EQ(ctl({"read", "--port", module.path()}).code, 1);

  r = ctl({"write", "--port", module.path(), path, "--force"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(module.sim().registerValue(reg::kCom1SlaveAddress), 42);
}

TEST_F(CtlTest, SilentModuleEndsWithTheCommunicationMessages) {
  Module module;
  module.sim().addFault({SimFault::NoAnswer, 0, std::nullopt, -1});
  const Result r = ctl({"read", "--port", module.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("message 10\n\nCommunication error.\n\nmessage 53\n\nRead from device failed."),
            std::string::npos)
      << r.err;
}

TEST_F(CtlTest, OrderCountAboveCapacityIsRefusedBeforeAnyOrderIsRead) {
  Module module;
  module.sim().setRegister(reg::kMasterOrderCount, 151);
  const Result r = ctl({"read", "--port", module.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("message 56\n\nMaster order list read error."), std::string::npos) << r.err;
  EXPECT_EQ(module.sim().requests().size(), 2u);
}

// A module may hold orders that the order editor would refuse: the window's
// Insert and Modify store them and its Write sends them. Their backup
// restores register for register, with the editor's complaints as warnings.
TEST_F(CtlTest, BackupWithOrdersTheEditorWouldRefuseRestores) {
  Module source, target;
  source.sim().setOrders(2);
  const std::uint16_t function3OnErrors[] = {0x0A03, 0, 10, 5, 1};
  for (int w = 0; w < 5; ++w) source.sim().setRegister(50 + w, function3OnErrors[w]);
  source.sim().setRegister(59, 7);  // memory selection that no list names
  const std::string backup = m_dir + "/backup.json";
  ASSERT_EQ(ctl({"read", "--port", source.path(), "-o", backup}).code, 0);

  const Result r = ctl({"write", "--port", target.path(), backup, "--verify"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find(backup + ": warning: master.orders[0].function: function 3 cannot address"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(backup + ": warning: master.orders[1].memory_selection: 7 is not one of"),
            std::string::npos);
  EXPECT_NE(r.err.find("Verified"), std::string::npos);
  expectSameConfiguration(source.sim(), target.sim());
  EXPECT_EQ(ctl({"diff", "--port", target.path(), backup}).out, "");
}

// A module that confirms a write yet keeps a setting: --verify names it and
// fails, and diff prints the same line. The setting is the last field of the
// file, which a differences loop once skipped.
TEST_F(CtlTest, VerifyFailsInNormalModeWhenOneSettingDidNotTake) {
  Module target;
  target.sim().setOrders(2);
  Configuration doc = Configuration::fromImage(target.sim().image(), 2);
  doc.setValue(reg::kMasterMaxErrors, doc.value(reg::kMasterMaxErrors) + 1);
  const std::string path = file("config.json", config_json::write(doc));
  target.sim().addFault({SimFault::IgnoreWrite, 0, block::kSlaveMaster.start, 1});

  Result r = ctl({"write", "--port", target.path(), path, "--verify"});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("message 67"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Verified"), std::string::npos) << r.err;
  const std::string line = "master.max_number_error: " + std::to_string(doc.value(reg::kMasterMaxErrors)) +
                           " -> " + std::to_string(doc.value(reg::kMasterMaxErrors) - 1);
  EXPECT_NE(
      r.err.find("Verify failed: 1 difference(s) between " + path + " and the module:\n  " + line + "\n"),
      std::string::npos)
      << r.err;

  r = ctl({"diff", "--port", target.path(), path});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "master.max_number_error: " + std::to_string(doc.value(reg::kMasterMaxErrors) - 1) +
                       " -> " + std::to_string(doc.value(reg::kMasterMaxErrors)) + "\n");
}

TEST_F(CtlTest, CatchModeWritesNoOrderRecordsAndVerifySaysTheModulesDiffer) {
  Module source, target;
  source.sim().setOrders(3);
  source.sim().setMasterMode(1);
  source.sim().setRegister(reg::kCom1SlaveMode, 1);
  source.sim().setRegister(reg::kCom2SlaveMode, 1);
  source.sim().setRegister(reg::kCom3SlaveMode, 2);
  target.sim().setOrders(3);
  target.sim().setRegister(52, 99);  // the target's first record differs
  const std::string backup = m_dir + "/catch.json";
  ASSERT_EQ(ctl({"read", "--port", source.path(), "-o", backup}).code, 0);

  const Result r = ctl({"write", "--port", target.path(), backup, "--verify"});
  EXPECT_EQ(r.code, 1) << r.err;
  std::vector<std::pair<int, int>> writes;
  for (const SimRequest& q : target.sim().requests())
    if (q.function == 16) writes.emplace_back(q.start, q.count);
  EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{4, 11}, {19, 11}}));
  EXPECT_EQ(r.err.find("Verified"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Order records are not written in Catch mode, and the module's order records differ"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("master.orders[0].number_of_registers"), std::string::npos) << r.err;
}

// COM4 at 1200 baud 8N2 with a 500 ms master timeout and one function 3
// order for 120 registers, whose answer alone takes at least 2.28 s.
TEST_F(CtlTest, TimingTableAndWriteWarningsForAnOrderThatCannotFit) {
  Module module;
  module.sim().setOrders(1);
  module.sim().setRegister(reg::kCom4Baud, 0);
  module.sim().setRegister(reg::kCom4Parity, 4);
  module.sim().setRegister(reg::kMasterTimeout, 500);
  module.sim().setRegister(50, 0x0103);
  module.sim().setRegister(52, 120);
  const std::string backup = m_dir + "/slow.json";
  ASSERT_EQ(ctl({"read", "--port", module.path(), "-o", backup}).code, 0);

  // The same table from the module and from the file, as the window shows it.
  const Configuration config = Configuration::fromImage(module.sim().image(), 1);
  const std::string table = wire::timingTableText(wire::timingTable(wire::masterTiming(config)));
  EXPECT_NE(table.find("2.28 s            2.38 s      -1.78 s  CANNOT FIT"), std::string::npos) << table;
  const Result fromModule = ctl({"timing", "--port", module.path()});
  EXPECT_EQ(fromModule.code, 0) << fromModule.err;
  EXPECT_EQ(fromModule.out, table);
  const Result fromFile = ctl({"timing", backup});
  EXPECT_EQ(fromFile.code, 0) << fromFile.err;
  EXPECT_EQ(fromFile.out, table);

  // Write and its dry run say the same and ask nothing.
  const std::string warning =
      backup + ": warning: order 1 (slave 1, function 3, 120 registers): the answer takes at least 2.28 s\n";
  const Result dry = ctl({"write", "--dry-run", backup});
  EXPECT_EQ(dry.code, 0);
  EXPECT_NE(dry.err.find(warning), std::string::npos) << dry.err;
  module.sim().clearRequests();
  const Result write = ctl({"write", "--port", module.path(), backup});
  EXPECT_EQ(write.code, 0) << write.err;
  EXPECT_NE(write.err.find(warning), std::string::npos) << write.err;
  EXPECT_EQ(write.err.find("Answered"), std::string::npos) << write.err;
  EXPECT_EQ(writeRequests(module.sim()), 3);
}

TEST_F(CtlTest, DiffReadsFilesAsWriteDoes) {
  const Configuration valid = Configuration::fromImage(SimModule().image(), 1);
  const std::string good = file("good.json", config_json::write(valid));
  const std::string position = file("position.json", replaced(config_json::write(valid), "\"8N2\"", "4"));
  const Result r = ctl({"diff", good, position});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find(position + ": com1.parity: expected one of"), std::string::npos) << r.err;
}

// Runs the tq740ctl program through the shell, for what only a process
// shows: its standard output and its exit status.
Result shell(const std::string& args) {
  const TempDir dir("tq740ctl-shell");
  const std::string errFile = dir.file("err");
  const int status = std::system((std::string("'") + TQ740CTL + "' " + args + " 2>" + errFile).c_str());
  std::ifstream in(errFile);
  std::ostringstream err;
  err << in.rdbuf();
  std::remove(errFile.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", err.str()};
}


struct FileCase {
  const char* name;
  std::function<Result(const std::string& dir)> run;
  int code;
  std::string err;                                    // a line of standard error holds this
  std::function<void(const std::string& dir)> check;  // afterwards
};

TEST_F(CtlTest, FilesAreReadAndWrittenSafely) {
  const std::string valid = config_json::write(Configuration::fromImage(SimModule().image(), 2));
  const std::vector<FileCase> cases = {
      {"standard output full",
       [](auto&) { return shell("read --simulate >/dev/full"); },
       1,
       "cannot write to standard output",
       {}},
      {"standard output closed",
       [](auto&) { return shell("read --simulate >&-"); },
       1,
       "cannot write to standard output",
       {}},
      {"-o - is standard output",
       [](const std::string& d) { return shell("read --simulate -o - >'" + d + "/out.json'"); }, 0, "",
       [](const std::string& d) { EXPECT_EQ(contentOf(d + "/out.json").rfind("{\n", 0), 0u); }},
      {"-o onto a device node",
       [](const std::string&) {
         int master = -1, slave = -1;
         char name[128];
         EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
         const Result r = ctl({"read", "--simulate", "-o", name});
         char buf[2] = {};
         EXPECT_EQ(::read(master, buf, 1), 1);  // the text went to the device
         EXPECT_EQ(buf[0], '{');
         struct stat st {};
         EXPECT_EQ(stat(name, &st), 0);
         EXPECT_TRUE(S_ISCHR(st.st_mode)) << "still the device";
         close(slave);
         close(master);
         return r;
       },
       0,
       "",
       {}},
      {"-o onto a FIFO that nobody reads",
       [](const std::string& d) {
         EXPECT_EQ(mkfifo((d + "/fifo").c_str(), 0600), 0);
         return ctl({"read", "--simulate", "-o", d + "/fifo"});
       },
       2, "is a FIFO that no process reads",
       [](const std::string& d) {
         struct stat st {};
         EXPECT_EQ(lstat((d + "/fifo").c_str(), &st), 0);
         EXPECT_TRUE(S_ISFIFO(st.st_mode));
       }},
      {"-o through a symbolic link",
       [](const std::string& d) {
         std::ofstream(d + "/target.json") << "old";
         EXPECT_EQ(symlink("target.json", (d + "/link.json").c_str()), 0);
         return ctl({"read", "--simulate", "-o", d + "/link.json"});
       },
       0, "",
       [](const std::string& d) {
         struct stat st {};
         EXPECT_EQ(lstat((d + "/link.json").c_str(), &st), 0);
         EXPECT_TRUE(S_ISLNK(st.st_mode));
         EXPECT_EQ(contentOf(d + "/target.json").rfind("{\n", 0), 0u);
       }},
      {"-o beside a user's .tmp, keeping the mode",
       [](const std::string& d) {
         std::ofstream(d + "/backup.json") << "old";
         std::ofstream(d + "/backup.json.tmp") << "mine";
         EXPECT_EQ(chmod((d + "/backup.json").c_str(), 0640), 0);
         return ctl({"read", "--simulate", "-o", d + "/backup.json"});
       },
       0, "",
       [](const std::string& d) {
         EXPECT_EQ(contentOf(d + "/backup.json.tmp"), "mine");
         EXPECT_EQ(contentOf(d + "/backup.json").rfind("{\n", 0), 0u);
         struct stat st {};
         EXPECT_EQ(stat((d + "/backup.json").c_str(), &st), 0);
         EXPECT_EQ(st.st_mode & 07777, 0640u);
         int files = 0;
         for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(d)) ++files;
         EXPECT_EQ(files, 2) << "no temporary file left";
       }},
      {"input from /dev/zero",
       [](auto&) {
         return ctl({"write", "--dry-run", "/dev/zero"});
       },
       2,
       "cannot read /dev/zero: is not a regular file",
       {}},
      {"input from a FIFO",
       [](const std::string& d) {
         EXPECT_EQ(mkfifo((d + "/in").c_str(), 0600), 0);
         return ctl({"write", "--dry-run", d + "/in"});
       },
       2,
       "is not a regular file",
       {}},
      {"input from a directory",
       [](const std::string& d) {
         return ctl({"write", "--dry-run", d});
       },
       2,
       ": is a directory",
       {}},
      {"a missing file",
       [](const std::string& d) {
         return ctl({"write", "--dry-run", d + "/none.json"});
       },
       2,
       "none.json: No such file or directory",
       {}},
      {"duplicate keys",
       [&valid](const std::string& d) {
         std::ofstream(d + "/dup.json") << replaced(valid, "\"pooltime\":", "\"pooltime\": 5, \"pooltime\":");
         return ctl({"write", "--dry-run", d + "/dup.json"});
       },
       2,
       "master.pooltime: given twice",
       {}},
      {"an unwritable trace",
       [](const std::string& d) {
         return ctl({"read", "--simulate", "--trace", d + "/no/such/trace.log"});
       },
       2,
       "cannot open the trace file",
       {}},
  };
  int n = 0;
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A case that hangs is named in the log that the time-out leaves.
    std::cerr << "[ case     ] " << c.name << std::endl;
    const std::string dir = m_dir + "/case" + std::to_string(n++);
    std::filesystem::create_directory(dir);
    const Result r = c.run(dir);
    EXPECT_EQ(r.code, c.code) << r.err;
    if (!c.err.empty()) {
      EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    if (c.check) c.check(dir);
  }
}

TEST_F(CtlTest, PortsListsOneDeviceALineAndPortTakesAStableName) {
  FixedPortDiscovery discovery(
      {{"/dev/ttyACM0", "", "", "", ""},
       {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A1-if00-port0", "FT232R USB UART", "FTDI", "A1"}});
  std::ostringstream out, err;
  EXPECT_EQ(runCtl({"ports"}, CtlStreams{out, err, false}, discovery), 0);
  EXPECT_EQ(out.str(),
            "/dev/ttyACM0\t-\t-\n"
            "/dev/ttyUSB0\t/dev/serial/by-id/usb-FTDI_A1-if00-port0\tFT232R USB UART\n");
  EXPECT_EQ(err.str(), "");

  // A link to the device, as /dev/serial/by-id holds, opens like the device.
  Module module;
  const std::string link = m_dir + "/usb-Simulated_TQ740-if00";
  std::filesystem::create_symlink(module.path(), link);
  const Result r = ctl({"firmware", "--port", link});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Product code: 302010301\nProgram revision: 1.5\n");
}

// The command line: what each argument list gives, and for a usage error the
// one line that names it.
TEST_F(CtlTest, CommandLineTable) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string said;  // the first line on standard error, or the start of standard output
  };
  const std::string sims = "--sim-orders needs a number from 0 to 150";
  const std::vector<Case> cases = {
      {{"--help"}, 0, "Usage: tq740ctl COMMAND"},
      {{"read", "-h"}, 0, "Usage: tq740ctl COMMAND"},
      {{"firmware", "--simulate"}, 0, "Product code: 302010301"},
      {{"--simulate", "firmware"}, 0, "Product code: 302010301"},
      {{"read", "--simulate", "--sim-orders=0", "-o", "-"}, 0, "{"},
      {{}, 2, "tq740ctl: no command given"},
      {{"frobnicate"}, 2, "tq740ctl: unknown command frobnicate"},
      {{"read", "--simulate", "--bogus"}, 2, "tq740ctl: unknown option --bogus"},
      {{"read", "--simulate", "-x"}, 2, "tq740ctl: unknown option -x"},
      {{"read", "--port"}, 2, "tq740ctl: --port needs a device path"},
      {{"read", "--port="}, 2, "tq740ctl: --port needs a device path"},
      {{"read", "--simulate", "--trace"}, 2, "tq740ctl: --trace needs a file name or -"},
      {{"read", "--simulate", "-o"}, 2, "tq740ctl: -o needs a file name, or - for standard output"},
      {{"read", "--simulate", "-o", "--"}, 2, "tq740ctl: -o needs a file name, or - for standard output"},
      {{"--version"}, 0, "TQ740conf 1.0\n"},
      {{"read", "--simulate", "--sim-orders", "151"}, 2, "tq740ctl: " + sims},
      {{"read", "--simulate", "--sim-orders=x"}, 2, "tq740ctl: " + sims},
      {{"read", "--sim-orders", "3"}, 2, "tq740ctl: --sim-orders needs --simulate"},
      {{"read"}, 2, "tq740ctl: read needs --port PATH or --simulate"},
      {{"read", "--simulate", "--", "-o"}, 2, "tq740ctl: read takes no file name"},
      {{"write", "--port", "/dev/null"}, 2, "tq740ctl: write needs exactly one file name"},
      {{"read", "--simulate", "--port", "x"}, 2, "tq740ctl: --port and --simulate exclude each other"},
      {{"firmware", "--simulate", "-o", "a.json"}, 2, "tq740ctl: -o belongs to read"},
      {{"diff", "one.json"}, 2, "tq740ctl: diff needs two file names, or --port PATH and one"},
      {{"write", "a.json", "--verify", "--dry-run"},
       2,
       "tq740ctl: --verify and --dry-run exclude each other"},
      {{"ports", "a.json"}, 2, "tq740ctl: ports takes no file name"},
      {{"timing"}, 2, "tq740ctl: timing needs one file name, or --port PATH"},
      {{"timing", "--simulate", "a.json"}, 2, "tq740ctl: timing takes a file name or --port PATH, not both"},
      {{"timing", "--simulate", "--sim-orders=1"}, 0, "No.  Slave  Fun"},
      {{"ports", "--simulate"}, 2, "tq740ctl: ports lists the devices itself: no --port or --simulate"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    const Result r = ctl(c.args);
    EXPECT_EQ(r.code, c.code);
    if (c.code == 2) {
      EXPECT_EQ(r.err, c.said + "\nTry 'tq740ctl --help'.\n");
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_EQ(r.out.rfind(c.said, 0), 0u) << r.out;
    }
  }
}

}  // namespace

namespace {

// Interrupts during a paced transfer of 150 orders, sent to the process once
// the module has finished a number of requests.
struct InterruptCase {
  const char* name;
  const char* command;             // "read" or "write"
  std::vector<std::size_t> after;  // requests done before each interrupt
  const char* said;                // on standard error
};

// Names the case in test lists instead of its bytes.
void PrintTo(const InterruptCase& c, std::ostream* os) {
  *os << c.name;
}

const InterruptCase kInterruptCases[] = {
    {"WriteFinishesAfterOne",
     "write",
     {20},
     "finishing the write so that the module is not left half-written"},
    {"WriteStopsAfterTwo",
     "write",
     {20, 60},
     "Stopped. Written to the module: registers 4 to 14, registers 19 to 29, "
     "order records 1 to "},
    {"ReadStops", "read", {20}, "Interrupted: the read was stopped; no output was written."},
};

class CtlInterrupt : public CtlTest, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(CtlInterrupt, EndsBetweenTransactionsAndSaysWhatWasDone) {
  const InterruptCase& c = GetParam();
  Module source;
  source.sim().setOrders(kMaxOrders);
  source.sim().setRegister(reg::kMasterPoolTime, 1234);
  const std::string backup = m_dir + "/backup.json";
  ASSERT_EQ(ctl({"read", "--port", source.path(), "-o", backup}).code, 0);

  PtyModule::Options paced;
  paced.pace = true;
  Module target(paced);
  const bool write = std::string(c.command) == "write";
  target.sim().setOrders(write ? 3 : kMaxOrders);
  const std::string output = m_dir + "/read.json";
  std::thread interrupter([&] {
    for (std::size_t n : c.after)
      if (target.pty().waitForRequestsDone(n)) ::kill(::getpid(), SIGINT);
  });
  const Result r = write ? ctl({"write", "--port", target.path(), backup})
                         : ctl({"read", "--port", target.path(), "-o", output});
  interrupter.join();

  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
  const int writes = writeRequests(target.sim());
  if (!write) {
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_LT(target.sim().requests().size(), 2u + kMaxOrders);
  } else if (c.after.size() == 1) {
    // "(N blocks left)", then every block: the module holds the backup.
    EXPECT_NE(r.err.find(" blocks left)"), std::string::npos) << r.err;
    EXPECT_EQ(writes, 2 + kMaxOrders);
    expectSameConfiguration(source.sim(), target.sim());
  } else {
    // Exactly the blocks the module received, no more, and it stopped early.
    EXPECT_LT(writes, 2 + kMaxOrders);
    EXPECT_NE(r.err.find("order records 1 to " + std::to_string(writes - 2) + ".\n"), std::string::npos)
        << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Transfers, CtlInterrupt, ::testing::ValuesIn(kInterruptCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

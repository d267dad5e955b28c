// tq740ctl against the simulated module over a real pseudo-terminal, run
// in-process through runCtl.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "ctl/config_document.h"
#include "ctl/ctl_app.h"
#include "sim/pty_module.h"

namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result ctl(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = runCtl(args, CtlStreams{out, err, false});
  return {code, out.str(), err.str()};
}

int writeRequests(const SimModule& m) {
  int n = 0;
  for (const SimRequest& r : m.requests()) n += r.function == 16;
  return n;
}

class Module {
 public:
  Module() : m_sim(std::make_shared<SimModule>()), m_pty(m_sim) { EXPECT_TRUE(m_pty.start()); }
  SimModule& sim() { return *m_sim; }
  const std::string& path() const { return m_pty.slavePath(); }

 private:
  std::shared_ptr<SimModule> m_sim;
  PtyModule m_pty;
};

class CtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/tq740ctl-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::string file(const std::string& name, const std::string& text) {
    const std::string path = m_dir + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
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
  std::function<std::string(ConfigDocument)> make;  // from a valid configuration
  std::vector<std::string> problems;                // one per bad field, in order
};

TEST_F(CtlTest, InvalidFilesAreRefusedAndNothingIsWritten) {
  const ConfigDocument valid = ConfigDocument::fromImage(SimModule().image(), 3);
  const std::vector<BadFile> cases = {
      {"invalid JSON", [](ConfigDocument d) { return d.toJson().substr(0, 40); }, {"not valid JSON"}},
      {"not an object", [](ConfigDocument) { return std::string("[1, 2]"); }, {"expected a JSON object"}},
      {"unknown field",
       [](ConfigDocument d) { return replaced(d.toJson(), "\"parity\"", "\"baud\": 1, \"parity\""); },
       {"com1.baud: unknown field"}},
      {"missing field",
       [](ConfigDocument d) { return replaced(d.toJson(), "\"timeout\": 500,", ""); },
       {"master.timeout: missing"}},
      {"missing group",
       [](ConfigDocument d) { return replaced(d.toJson(), "\"com4\": {", "\"com5\": {"); },
       {"com4: missing", "com5: unknown field"}},
      {"wrong type",
       [](ConfigDocument d) {
         return replaced(d.toJson(), "\"slave_address\": 1,", "\"slave_address\": \"1\",");
       },
       {"com1.slave_address: expected a whole number, got \"1\""}},
      {"fraction",
       [](ConfigDocument d) { return replaced(d.toJson(), "\"pooltime\": 100", "\"pooltime\": 1.5"); },
       {"master.pooltime: expected a whole number, got 1.5"}},
      {"choice as a number",
       [](ConfigDocument d) { return replaced(d.toJson(), "\"parity\": \"8N2\"", "\"parity\": 4"); },
       {"com1.parity: expected one of \"8N1\""}},
      {"out of range",
       [](ConfigDocument d) {
         d.setValue(reg::kCom3SlaveAddress, 251);
         d.setValue(reg::kMasterMaxErrors, 0);
         return d.toJson();
       },
       {"com3.slave_address: 251 is out of range 1..250",
        "master.max_number_error: 0 is out of range 1..255"}},
      {"bad choice text",
       [](ConfigDocument d) { return replaced(d.toJson(), "\"9600\"", "\"9601\""); },
       {"com1.baudrate: \"9601\" is not one of \"1200\""}},
      {"slave mode rule",
       [](ConfigDocument d) {
         d.setValue(reg::kCom2SlaveMode, 2);
         return d.toJson();
       },
       {"com2.slave_mode: \"Catch all address mode\" is not allowed with master mode \"Normal mode\""}},
      {"order rules",
       [](ConfigDocument d) {
         d.orders[0] = {251, 3, 0, 121, 11, 1};  // function 3 cannot address the errors registers
         d.orders[1] = {1, 16, 1, 26, 8001, 0};
         d.orders[2] = {1, 7, 65536, 1, 1, 0};
         return d.toJson();
       },
       {"master.orders[0].slave_address: 251 is out of range 1..250",
        "master.orders[0].function: function 3 cannot address \"Errors registers\"",
        "master.orders[0].starting_address: 0 is out of range 1..65535",
        "master.orders[0].number_of_registers: 121 is out of range 1..120 for function 3",
        "master.orders[0].memory_address: 11 is out of range 1..10 for \"Errors registers\"",
        "master.orders[1].number_of_registers: 26 is out of range 1..25 for function 16",
        "master.orders[1].memory_address: 8001 is out of range 1..8000",
        "master.orders[2].function: 7 is not one of",
        "master.orders[2].starting_address: 65536 is out of range 1..65535"}},
      {"151 orders",
       [](ConfigDocument d) {
         d.orders.assign(151, d.orders[0]);
         return d.toJson();
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
  const Result r = ctl({"write", "--port", module.path(), file("good.json", valid.toJson())});
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(CtlTest, ForeignProductCodeIsWrittenOnlyWithForce) {
  Module module;
  module.sim().setRegister(reg::kProductCodeLow, 20414);
  ConfigDocument doc = ConfigDocument::fromImage(SimModule().image(), 3);
  doc.setValue(reg::kCom1SlaveAddress, 42);
  const std::string path = file("config.json", doc.toJson());

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

TEST_F(CtlTest, UsageErrorsExitWithTwo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"read"},
                                             {"write", "--port", "/dev/null"},
                                             {"read", "--simulate", "--port", "x"},
                                             {"diff", "one.json"},
                                             {"write", "a.json", "--verify", "--dry-run"}}) {
    EXPECT_EQ(ctl(args).code, 2);
  }
}

}  // namespace

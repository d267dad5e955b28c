// The configuration value: image and JSON round trips, reading files that
// earlier versions wrote, refusing bad files with the field named, and the
// Write check against the order editor's warnings.

#include <gtest/gtest.h>

#include "model/configuration.h"
#include "model/configuration_json.h"

namespace {

// A file as tq740ctl read wrote it before the configuration model existed:
// a parity and a memory selection that no list names are bare numbers.
const char* const kEarlierBackup = R"({
  "product_code": 302010301,
  "program_revision": "1.5",
  "com1": {
    "baudrate": "9600",
    "parity": "8N2",
    "slave_address": 1,
    "redirect_timeout": 100,
    "slave_mode": "Normal mode"
  },
  "com2": {
    "baudrate": "115200",
    "parity": "8E1",
    "slave_address": 2,
    "redirect_timeout": 0,
    "slave_mode": "Redirect all address mode"
  },
  "com3": {
    "baudrate": "38000",
    "parity": "9N2",
    "slave_address": 250,
    "redirect_timeout": 65535,
    "slave_mode": "Redirect slave address mode"
  },
  "com4": {
    "baudrate": "1200",
    "parity": 8
  },
  "master": {
    "mode": "Normal mode",
    "pooltime": 100,
    "timeout": 500,
    "max_number_error": 3,
    "orders": [
      { "slave_address": 10, "function": 3, "starting_address": 1, "number_of_registers": 10, "memory_address": 100, "memory_selection": "Errors registers" },
      { "slave_address": 2, "function": 16, "starting_address": 65536, "number_of_registers": 25, "memory_address": 8000, "memory_selection": 7 }
    ]
  }
}
)";

TEST(Configuration, FileFromAnEarlierReadLoadsAndWritesBackTheSameText) {
  Configuration c;
  std::vector<std::string> problems;
  ASSERT_TRUE(config_json::read(kEarlierBackup, c, problems)) << problems.front();
  EXPECT_EQ(c.value(reg::kCom4Parity), 8);
  EXPECT_EQ(c.value(reg::kCom2Baud), 7);
  EXPECT_EQ(c.value(reg::kCom3SlaveMode), 3);
  ASSERT_EQ(c.orders.size(), 2u);
  EXPECT_EQ(c.orders[0], (MasterOrder{10, 3, 1, 10, 100, 1}));
  EXPECT_EQ(c.orders[1], (MasterOrder{2, 16, 65536, 25, 8000, 7}));
  EXPECT_EQ(c.productCode, 302010301);
  EXPECT_EQ(config_json::write(c), kEarlierBackup);
}

TEST(Configuration, FullImageSurvivesImageJsonImage) {
  RegisterImage image;
  for (int r = 4; r <= 14; ++r) image.set(r, r * 4099);  // values in and far outside every list
  for (int r = 19; r <= 29; ++r) image.set(r, 65535 - r * 7);
  image.set(reg::kMasterMode, 0);
  image.set(reg::kMasterOrderCount, kMaxOrders);
  for (int r = orderRecordStart(0); r < orderRecordStart(kMaxOrders); ++r) image.set(r, (r * 40503) & 0xFFFF);

  const Configuration first = Configuration::fromImage(image, kMaxOrders);
  EXPECT_TRUE(first.encodingProblems().empty());
  Configuration second;
  std::vector<std::string> problems;
  ASSERT_TRUE(config_json::read(config_json::write(first), second, problems)) << problems.front();
  EXPECT_TRUE(second.sameSettings(first));

  RegisterImage back;
  second.toImage(back);
  for (int r = 4; r < orderRecordStart(kMaxOrders); ++r) {
    if ((r >= 15 && r <= 18) || (r >= 30 && r < 50)) continue;
    ASSERT_EQ(back.get(r), image.get(r)) << "register " << r;
  }
}

struct BadText {
  const char* name;
  std::string text;
  std::vector<std::string> problems;  // each line begins so, in order
};

// kEarlierBackup with one piece replaced.
std::string edited(const std::string& what, const std::string& with) {
  std::string text = kEarlierBackup;
  const std::size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  if (at != std::string::npos) text.replace(at, what.size(), with);
  return text;
}

TEST(Configuration, BadFilesAreRefusedWithTheFieldNamed) {
  std::string more;  // 149 orders before the file's two
  for (int i = 0; i < 149; ++i) more += "{}, ";
  const std::vector<BadText> cases = {
      {"not JSON", "{\"com1\": ", {"not valid JSON: parse error at line 1"}},
      {"a number", "5", {"expected an object with the groups com1, com2, com3, com4 and master, got 5"}},
      {"duplicate key",
       edited("\"parity\": \"8E1\",", "\"parity\": \"8E1\", \"parity\": \"8N1\","),
       {"com2.parity: given twice"}},
      {"duplicate in an order",
       edited("\"function\": 16,", "\"function\": 16, \"function\": 6,"),
       {"master.orders[1].function: given twice"}},
      {"not whole",
       edited("\"timeout\": 500", "\"timeout\": 1000.0000000000001"),
       {"master.timeout: expected a whole number, got 1000.0000000000001, which is not whole"}},
      {"out of 16 bits",
       edited("\"pooltime\": 100", "\"pooltime\": 65536"),
       {"master.pooltime: 65536 is out of range 0..65535"}},
      {"slave address beyond its byte",
       edited("\"slave_address\": 10,", "\"slave_address\": 256,"),
       {"master.orders[0].slave_address: 256 is out of range 0..255"}},
      {"starting address 0",
       edited("\"starting_address\": 1,", "\"starting_address\": 0,"),
       {"master.orders[0].starting_address: 0 is out of range 1..65536"}},
      {"unknown text", edited("\"9600\"", "\"9601\""), {"com1.baudrate: \"9601\" is not one of \"1200\""}},
      {"list position as a number", edited("\"8N2\"", "4"), {"com1.parity: expected one of \"8N1\""}},
      {"wrong type",
       edited("\"slave_address\": 1,", "\"slave_address\": \"1\","),
       {"com1.slave_address: expected a whole number, got \"1\""}},
      {"unknown and missing",
       edited("\"timeout\": 500,", "\"time_out\": 500,"),
       {"master.timeout: missing", "master.time_out: unknown field"}},
      {"151 orders",
       edited("\"orders\": [", "\"orders\": [" + more),
       {"master.orders: 151 orders, at most 150"}},
  };
  for (const BadText& c : cases) {
    SCOPED_TRACE(c.name);
    Configuration out;
    out.setValue(reg::kCom1SlaveAddress, 77);
    std::vector<std::string> problems;
    EXPECT_FALSE(config_json::read(c.text, out, problems));
    ASSERT_GE(problems.size(), c.problems.size());
    for (std::size_t i = 0; i < c.problems.size(); ++i)
      EXPECT_EQ(problems[i].rfind(c.problems[i], 0), 0u) << problems[i];
    EXPECT_EQ(out.value(reg::kCom1SlaveAddress), 77) << "unchanged on failure";
  }
}

TEST(Configuration, WriteCheckRefusesWhileOrderRulesOnlyWarn) {
  Configuration c;
  std::vector<std::string> problems;
  ASSERT_TRUE(config_json::read(kEarlierBackup, c, problems));
  const FieldLimits limits;
  // The earlier backup's only Write problem is COM4's parity outside its list.
  EXPECT_EQ(
      c.writeProblems(limits),
      std::vector<std::string>{"com4.parity: 8 is not one of \"8N1\", \"8E1\", \"8O1\", \"9N1\", \"8N2\", "
                               "\"8E2\", \"8O2\", \"9N2\""});
  c.setValue(reg::kCom4Parity, 0);
  c.setValue(reg::kCom1SlaveAddress, 251);
  c.setValue(reg::kCom2SlaveMode, 1);
  c.setValue(reg::kMasterMaxErrors, 0);
  EXPECT_EQ(
      c.writeProblems(limits),
      (std::vector<std::string>{
          "com1.slave_address: 251 is out of range 1..250",
          "com2.slave_mode: \"Catch slave address mode\" is not allowed with master mode \"Normal mode\"",
          "master.max_number_error: 0 is out of range 1..255"}));
  // Function 3 on the errors registers, the starting address beyond the
  // editor's range and a memory selection no list names: warnings.
  EXPECT_EQ(
      c.orderWarnings(limits),
      (std::vector<std::string>{
          "master.orders[0].function: function 3 cannot address \"Errors registers\" (only 6 and 16 can)",
          "master.orders[0].memory_address: 100 is out of range 1..10 for \"Errors registers\"",
          "master.orders[1].starting_address: 65536 is out of range 1..65535",
          "master.orders[1].memory_selection: 7 is not one of \"Data memory\", \"Errors registers\""}));
}

TEST(Configuration, EncodingProblemsNameTheField) {
  Configuration c;
  c.setValue(reg::kMasterTimeout, 70000);
  c.orders.push_back({300, 3, 0, 1, 1, 0});
  EXPECT_EQ(c.encodingProblems(),
            (std::vector<std::string>{"master.timeout: 70000 is out of range 0..65535",
                                      "master.orders[0].slave_address: 300 is out of range 0..255",
                                      "master.orders[0].starting_address: 0 is out of range 1..65536"}));
  c.orders.assign(151, MasterOrder{1, 3, 1, 1, 1, 0});
  EXPECT_EQ(c.encodingProblems().back(), "master.orders: 151 orders, at most 150 are allowed");
}

}  // namespace

// The simulated module as a pure request handler: its answers to the
// configurator's frames, the framing rule, the shape of every fault and the
// request log. Expected frames were computed with an independent CRC tool.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/register_map.h"
#include "tests/sim/hex.h"
#include "sim/sim_module.h"

namespace {
SimModule::Reply send(SimModule& m, const std::string& requestHex) {
  const std::vector<std::uint8_t> f = bytes(requestHex);
  return m.handle(f.data(), f.size());
}

const char* const kRead0to1 = "FF0300000002D1D5";
const char* const kWrite4 = "FF10000400010012344307";  // 0x1234 into register 4, byte count 0
}  // namespace

struct AnswerCase {
  const char* request;
  const char* answer;  // empty: no answer
};

// Names the case in test lists by its request instead of its bytes.
void PrintTo(const AnswerCase& c, std::ostream* os) {
  *os << c.request;
}

class SimAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SimAnswers, AnswersTheFrame) {
  SimModule m;
  m.setExtraAddress(17);
  EXPECT_EQ(hex(send(m, GetParam().request).bytes), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SimAnswers,
    ::testing::Values(
        AnswerCase{"FF0300000002D1D5", "FF030412004FBD14C5"},          // product code
        AnswerCase{"FF030000000451D7", "FF030812004FBD00010005D10E"},  // identity and revision 1.5
        AnswerCase{"FF10000400010012344307", "FF100004000155D6"},      // byte count 0
        AnswerCase{"FF1000040001021234E2C7", "FF100004000155D6"},      // generic byte count 2 x count
        AnswerCase{"FF1000040001031234B307", "FF90036DF1"},            // byte count neither
        AnswerCase{"FF10000400000017AF", "FF9002AC31"},                // write count 0
        AnswerCase{"FF030000007ED034", "FF8302A101"},                  // count 126
        AnswerCase{"FF0303FC00055063", "FF8302A101"},                  // 1020..1024 beyond the image
        AnswerCase{"FF04000000012414", "FF8401E330"},                  // other function
        AnswerCase{"110300000002C69B", "11030412004FBD1ACB"},          // extra address
        AnswerCase{"010300000002C40B", ""},                            // other address
        AnswerCase{"FF0300000002D1D4", ""},                            // bad CRC
        AnswerCase{"0110000400014008", ""}),                           // other address, function 16
    [](const auto& info) { return std::string(info.param.request); });

TEST(SimModule, WriteStoresValuesAndReadReturnsThem) {
  SimModule m;
  send(m, kWrite4);
  EXPECT_EQ(m.registerValue(4), 0x1234);
  EXPECT_EQ(m.registerValue(5), 4);  // neighbours untouched
  EXPECT_EQ(hex(send(m, "FF0300040001D015").bytes).substr(0, 10), "FF03021234");
}

TEST(SimModule, RequestLengthFramesTheByteStream) {
  struct Case {
    const char* prefix;
    int length;
  };
  const Case cases[] = {
      {"", 0},
      {"FF", 0},
      {"FF03", 8},
      {"FF06", 8},
      {"FF10000400", 0},
      {"FF1000040001", 11},
      {"FF100013000B", 31},
      {"FF10000001FB", 1023},
      {"FF10000001FC", -1},
      {"FF0F00000010", 0},
      {"FF0F0000001002", 11},
      {"FF07", -1},
      {"0055", -1},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> b = bytes(c.prefix);
    EXPECT_EQ(SimModule::requestLength(b.data(), b.size()), c.length) << c.prefix;
  }
}

struct FaultCase {
  SimFault fault;
  const char* request;
  const char* answer;
  SimFault reported;
};

// Names the case in test lists by its fault and request instead of its bytes.
void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << simFaultName(c.fault) << " on " << c.request;
}

class SimFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimFaults, ShapesTheAnswer) {
  const FaultCase& c = GetParam();
  SimModule m;
  m.addFault({c.fault, 0, std::nullopt, 1, 250});
  const SimModule::Reply r = send(m, c.request);
  EXPECT_EQ(hex(r.bytes), c.answer);
  EXPECT_EQ(r.fault, c.reported);
  EXPECT_EQ(r.delayMs, c.fault == SimFault::Delay ? 250 : 0);
  // The rule hit once: the next request is answered normally.
  EXPECT_EQ(send(m, c.request).fault, SimFault::None);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SimFaults,
    ::testing::Values(
        FaultCase{SimFault::NoAnswer, kRead0to1, "", SimFault::NoAnswer},
        FaultCase{SimFault::WrongCrc, kRead0to1, "FF030412004FBD4E60", SimFault::WrongCrc},
        FaultCase{SimFault::OtherAddress, kRead0to1, "01030412004FBD0B0A", SimFault::OtherAddress},
        FaultCase{SimFault::Exception, kRead0to1, "FF8302A101", SimFault::Exception},
        FaultCase{SimFault::Exception, kWrite4, "FF9002AC31", SimFault::Exception},
        FaultCase{SimFault::OtherFunction, kRead0to1, "FF040412004FBD1572", SimFault::OtherFunction},
        FaultCase{SimFault::OtherFunction, kWrite4, "FF06000400011C15", SimFault::OtherFunction},
        FaultCase{SimFault::WrongByteCount, kRead0to1, "FF030612004FBD6D05", SimFault::WrongByteCount},
        FaultCase{SimFault::WrongByteCount, kWrite4, "FF100004000155D6", SimFault::None},
        FaultCase{SimFault::WrongEchoStart, kWrite4, "FF10000500010416", SimFault::WrongEchoStart},
        FaultCase{SimFault::WrongEchoCount, kWrite4, "FF100004000215D7", SimFault::WrongEchoCount},
        FaultCase{SimFault::WrongEchoStart, kRead0to1, "FF030412004FBD14C5", SimFault::None},
        FaultCase{SimFault::CutShort, kRead0to1, "FF030412", SimFault::CutShort},
        FaultCase{SimFault::CutShort, kWrite4, "FF100004", SimFault::CutShort},
        FaultCase{SimFault::Delay, kRead0to1, "FF030412004FBD14C5", SimFault::Delay},
        FaultCase{SimFault::NoiseBefore, kRead0to1, "0055AAFF030412004FBD14C5", SimFault::NoiseBefore},
        FaultCase{SimFault::GarbageAfter, kRead0to1, "FF030412004FBD14C51337C0DE", SimFault::GarbageAfter},
        FaultCase{SimFault::Vanish, kRead0to1, "", SimFault::Vanish}),
    [](const auto& info) {
      std::string name = simFaultName(info.param.fault);
      name += info.param.request == kWrite4 ? "_fn16" : "_fn3";
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

TEST(SimModule, WritesRefusedOrUnheardAreNotStored) {
  for (SimFault f : {SimFault::Exception, SimFault::NoAnswer, SimFault::Vanish}) {
    SimModule m;
    m.addFault({f, 0, std::nullopt, 1, 0});
    send(m, kWrite4);
    EXPECT_EQ(m.registerValue(4), 3) << simFaultName(f);
  }
  SimModule m;
  m.addFault({SimFault::CutShort, 0, std::nullopt, 1, 0});
  send(m, kWrite4);
  EXPECT_EQ(m.registerValue(4), 0x1234);  // stored; only the answer was damaged
}

TEST(SimModule, FaultRulesSelectByRequestIndexStartAndTimes) {
  SimModule m;
  m.addFault({SimFault::NoAnswer, 2, std::nullopt, 1, 0});  // the second request only
  m.addFault({SimFault::WrongCrc, 0, 19, -1, 0});           // every read of register 19
  m.addFault({SimFault::CutShort, 0, std::nullopt, 2, 0});  // any two other requests
  const char* const read19 = "FF030013000BE016";
  std::vector<SimFault> seen;
  for (const char* req : {kRead0to1, kRead0to1, read19, kRead0to1, read19, kRead0to1, kRead0to1})
    seen.push_back(send(m, req).fault);
  EXPECT_EQ(seen,
            (std::vector<SimFault>{SimFault::CutShort, SimFault::NoAnswer, SimFault::WrongCrc,
                                   SimFault::CutShort, SimFault::WrongCrc, SimFault::None, SimFault::None}));
}

TEST(SimModule, LogsEveryRequestAddressedToIt) {
  SimModule m;
  send(m, kRead0to1);
  send(m, "010300000002C40B");  // not for the module
  send(m, kWrite4);
  const std::vector<SimRequest> log = m.requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].function, 3);
  EXPECT_EQ(log[0].start, 0);
  EXPECT_EQ(log[0].count, 2);
  EXPECT_EQ(hex(log[0].raw), kRead0to1);
  EXPECT_EQ(log[1].address, 255);
  EXPECT_EQ(log[1].function, 16);
  EXPECT_EQ(log[1].start, 4);
  EXPECT_EQ(log[1].values, std::vector<std::uint16_t>{0x1234});
  m.clearRequests();
  EXPECT_TRUE(m.requests().empty());
}

// Every generated order satisfies the order rules the configurator checks,
// so a read followed by a write of the whole configuration succeeds.
TEST(SimModule, GeneratedOrdersAreValid) {
  for (int n : {0, 3, 150}) {
    SimModule m;
    m.setOrders(n);
    const RegisterImage img = m.image();
    ASSERT_EQ(img.get(reg::kMasterOrderCount), n);
    for (int i = 0; i < kMaxOrders; ++i) {
      const MasterOrder o = MasterOrder::unpack(img, i);
      if (i >= n) {
        EXPECT_EQ(o, MasterOrder{}) << "order " << i << " beyond the count";
        continue;
      }
      SCOPED_TRACE("order " + std::to_string(i));
      EXPECT_GE(o.slaveAddress, 1);
      EXPECT_LE(o.slaveAddress, 250);
      const int f = o.function;
      ASSERT_TRUE(f == 1 || f == 2 || f == 3 || f == 4 || f == 5 || f == 6 || f == 15 || f == 16);
      const int maxCount = f <= 4 ? 120 : f <= 6 ? 1 : 25;
      EXPECT_GE(o.registerCount, 1);
      EXPECT_LE(o.registerCount, maxCount);
      EXPECT_GE(o.startingAddress, 1);
      if (o.memorySelection == 0) {
        EXPECT_GE(o.memoryAddress, 1);
        EXPECT_LE(o.memoryAddress, 8000);
      } else {
        EXPECT_EQ(o.memorySelection, 1);
        EXPECT_TRUE(f == 6 || f == 16);
        EXPECT_GE(o.memoryAddress, 1);
        EXPECT_LE(o.memoryAddress, 10);
      }
    }
  }
}

TEST(SimModule, DefaultConfiguration) {
  const RegisterImage img = SimModule().image();
  EXPECT_EQ(productCode(img), EXPECTED_PRODUCT_CODE);
  EXPECT_EQ(programRevision(img), "1.5");
  EXPECT_EQ(img.get(reg::kCom1Baud), 3);    // 9600
  EXPECT_EQ(img.get(reg::kCom4Parity), 4);  // 8N2
  EXPECT_EQ(img.get(reg::kCom3SlaveAddress), 3);
  EXPECT_EQ(img.get(reg::kMasterMode), 0);
  EXPECT_EQ(img.get(reg::kMasterTimeout), 500);
  EXPECT_EQ(img.get(reg::kMasterOrderCount), 3);
}

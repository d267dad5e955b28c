// The master port's wire timing: frame sizes, character times and the check
// against the master timeout, with every expected time worked out by hand
// below (bits per character / baud rate, times the characters on the wire).

#include <gtest/gtest.h>

#include "model/configuration.h"
#include "model/wire_timing.h"

namespace {

// Positions in the baud rate and character format lists.
constexpr int k1200 = 0, k4800 = 2, k9600 = 3, k19200 = 4, k38000 = 5, k115200 = 7;
constexpr int k8N1 = 0, k8E1 = 1, k9N1 = 3, k8N2 = 4, k8O2 = 6, k9N2 = 7;

MasterOrder order(int function, int count, int slave = 1) {
  MasterOrder o;
  o.slaveAddress = slave;
  o.function = function;
  o.registerCount = count;
  o.memoryAddress = 1;
  return o;
}

struct Case {
  const char* name;
  int baud, format, function, count;
  int request, answer;   // bytes
  double charMs;         // one character
  double answerMs;       // answer + 3.5 characters
  double transactionMs;  // request + answer + 7 characters
};

// charMs = bits / baud * 1000, by hand:
//   1200 8N2: 11/1200 = 9.16667;  9600 8N2: 11/9600 = 1.145833;
//   19200 8E1: 11/19200 = 0.572917;  38000 8N1: 10/38000 = 0.263158;
//   115200 9N2: 12/115200 = 0.1041667;  4800 8O2: 12/4800 = 2.5;  9600 9N1: 11/9600.
const Case kCases[] = {
    // Function 3, 120 registers: answer 5 + 240 = 245 bytes.
    {"f3_120_at_1200_8N2", k1200, k8N2, 3, 120, 8, 245, 9.16667, 248.5 * 9.16667, 260 * 9.16667},
    // Function 16, 25 registers: request 9 + 50 = 59 bytes.
    {"f16_25_at_9600_8N2", k9600, k8N2, 16, 25, 59, 8, 1.145833, 11.5 * 1.145833, 74 * 1.145833},
    {"f5_at_19200_8E1", k19200, k8E1, 5, 1, 8, 8, 0.572917, 11.5 * 0.572917, 23 * 0.572917},
    // Function 1, 10 coils: 2 data bytes; "38000" is taken as written.
    {"f1_10_at_38000_8N1", k38000, k8N1, 1, 10, 8, 7, 0.263158, 10.5 * 0.263158, 22 * 0.263158},
    // Function 15, 17 coils: 3 data bytes in the request.
    {"f15_17_at_115200_9N2", k115200, k9N2, 15, 17, 12, 8, 0.1041667, 11.5 * 0.1041667, 27 * 0.1041667},
    {"f4_2_at_4800_8O2", k4800, k8O2, 4, 2, 8, 9, 2.5, 12.5 * 2.5, 24 * 2.5},
    {"f2_8_at_9600_9N1", k9600, k9N1, 2, 8, 8, 6, 1.145833, 9.5 * 1.145833, 21 * 1.145833},
    {"f6_at_9600_9N1", k9600, k9N1, 6, 1, 8, 8, 1.145833, 11.5 * 1.145833, 23 * 1.145833},
};

TEST(WireTiming, OrderTimesAtSeveralLinesMatchHandWorkedFigures) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    wire::MasterLine line;
    line.baudIndex = c.baud;
    line.formatIndex = c.format;
    const wire::MasterTiming t = wire::masterTiming(line, {order(c.function, c.count)});
    ASSERT_TRUE(t.lineKnown());
    EXPECT_NEAR(t.characterMs, c.charMs, 1e-4);
    ASSERT_EQ(t.orders.size(), 1u);
    const wire::OrderTiming& o = t.orders[0];
    ASSERT_TRUE(o.sizes);
    EXPECT_EQ(o.sizes->request, c.request);
    EXPECT_EQ(o.sizes->answer, c.answer);
    EXPECT_NEAR(o.answerMs, c.answerMs, 1e-2);
    EXPECT_NEAR(o.transactionMs, c.transactionMs, 1e-2);
    EXPECT_NEAR(t.cycleMs, c.transactionMs, 1e-2);
  }
}

TEST(WireTiming, CycleAddsKnownOrdersAndLeavesUnknownFunctionsOut) {
  wire::MasterLine line{k9600, k8N2, 500, 100, 0};
  const wire::MasterTiming t = wire::masterTiming(line, {order(3, 5), order(7, 5), order(16, 25)});
  // 9600 8N2, read 5 registers: 8 + 15 + 7 characters = 34.4 ms; write 25: 84.8 ms.
  EXPECT_NEAR(t.cycleMs, (30 + 74) * 1.145833, 1e-2);
  EXPECT_EQ(t.unknownFunctions, 1);
  EXPECT_FALSE(t.orders[1].sizes);
  EXPECT_FALSE(t.orders[1].cannotFit);
}

TEST(WireTiming, CheckAgainstTheTimeoutUsesTheAnswerAlone) {
  // Answer of function 3 x 120 at 1200 8N2: 248.5 characters = 2277.92 ms.
  struct Check {
    int timeout, mode;
    bool checked, cannotFit;
  } checks[] = {
      {500, 0, true, true},   {2277, 0, true, true},
      {2278, 0, true, false},  // shorter than the whole transaction (2383 ms) and still fits
      {0, 0, false, false},    // a timeout of 0 is not checked
      {500, 1, false, false},  // Catch mode sends no orders
  };
  for (const Check& c : checks) {
    SCOPED_TRACE(testing::Message() << "timeout " << c.timeout << " mode " << c.mode);
    const wire::MasterTiming t = wire::masterTiming({k1200, k8N2, c.timeout, 0, c.mode}, {order(3, 120)});
    EXPECT_EQ(t.checked(), c.checked);
    EXPECT_EQ(t.orders[0].cannotFit, c.cannotFit);
    EXPECT_EQ(t.orders[0].marginMs.has_value(), c.checked);
    EXPECT_EQ(t.tooSlow().size(), c.cannotFit ? 1u : 0u);
    EXPECT_EQ(wire::timingWarning(t).empty(), !c.cannotFit);
  }
}

TEST(WireTiming, LineWithoutBaudRateOrFormatGivesSizesButNoTimes) {
  const wire::MasterTiming t = wire::masterTiming({-1, k8N2, 500, 0, 0}, {order(3, 120)});
  EXPECT_FALSE(t.lineKnown());
  EXPECT_FALSE(t.checked());
  ASSERT_TRUE(t.orders[0].sizes);
  EXPECT_EQ(t.orders[0].sizes->answer, 245);
  const wire::TimingTable table = wire::timingTable(t);
  EXPECT_EQ(table.rows[0][6], "?");
  EXPECT_NE(table.notes[0].find("not set"), std::string::npos);
}

TEST(WireTiming, DurationsAsShown) {
  EXPECT_EQ(wire::formatDuration(9.16667), "9.17 ms");
  EXPECT_EQ(wire::formatDuration(34.375), "34.4 ms");
  EXPECT_EQ(wire::formatDuration(2277.92), "2.28 s");
  EXPECT_EQ(wire::formatDuration(-1777.92), "-1.78 s");
  EXPECT_EQ(wire::formatDuration(150 * 2383.33), "5 min 57.5 s");
}

TEST(WireTiming, WarningAndTableNameTheOrderWithLowerBounds) {
  Configuration config;
  config.setValue(reg::kCom4Baud, k1200);
  config.setValue(reg::kCom4Parity, k8N2);
  config.setValue(reg::kMasterTimeout, 500);
  config.setValue(reg::kMasterPoolTime, 100);
  config.orders = {order(3, 10, 7), order(3, 120, 9)};
  const wire::MasterTiming t = wire::masterTiming(config);

  const std::vector<std::string> warning = wire::timingWarning(t);
  ASSERT_EQ(warning.size(), 3u);
  EXPECT_EQ(warning[0],
            "These master orders cannot be answered within the master timeout of 500 ms at 1200 baud, 8N2 "
            "(one character 9.17 ms):");
  EXPECT_EQ(warning[1], "order 2 (slave 9, function 3, 120 registers): the answer takes at least 2.28 s");
  EXPECT_NE(warning[2].find("lower bounds"), std::string::npos);

  const wire::TimingTable table = wire::timingTable(t);
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[1], (std::vector<std::string>{"2", "9", "3", "120", "8", "245", "2.28 s", "2.38 s",
                                                     "-1.78 s", "CANNOT FIT"}));
  EXPECT_EQ(table.rowCannotFit, (std::vector<bool>{false, true}));
  const std::string text = wire::timingTableText(table);
  EXPECT_NE(text.find("Transaction min."), std::string::npos);
  EXPECT_NE(text.find("Master pooltime: 100 ms, shown apart and not added in"), std::string::npos);
  EXPECT_NE(text.find("Every time is a lower bound"), std::string::npos);

  // The order editor's warning names the one order it is given.
  const std::vector<std::string> one =
      wire::orderTimingWarning(wire::masterLineOf(config), order(3, 120, 9), 4);
  ASSERT_EQ(one.size(), 3u);
  EXPECT_EQ(one[1], "order 4 (slave 9, function 3, 120 registers): the answer takes at least 2.28 s");
  EXPECT_TRUE(wire::orderTimingWarning(wire::masterLineOf(config), order(3, 10), 1).empty());
}

TEST(WireTiming, LongWarningListsTheFirstOrdersAndCountsTheRest) {
  const std::vector<MasterOrder> orders(12, order(3, 120));
  const wire::MasterTiming t = wire::masterTiming({k1200, k8N2, 500, 0, 0}, orders);
  const std::vector<std::string> warning = wire::timingWarning(t, 10);
  ASSERT_EQ(warning.size(), 13u);
  EXPECT_EQ(warning[11], "... and 2 more.");
}

}  // namespace

// The differences engine: every configuration field and every order field,
// changed alone, is the one row it reports, with the key tq740ctl prints and
// the form's label; orders added and removed are numbered from 1.

#include <gtest/gtest.h>

#include "model/config_diff.h"
#include "model/configuration.h"

namespace {

Configuration base() {
  Configuration c;
  for (std::size_t i = 0; i < c.values.size(); ++i) c.values[i] = static_cast<int>(i % 2);
  MasterOrder o;
  o.slaveAddress = 10;
  o.function = 3;
  o.startingAddress = 1;
  o.registerCount = 10;
  o.memoryAddress = 100;
  o.memorySelection = 0;
  c.orders = {o, o, o};
  return c;
}

TEST(ConfigDiff, EachFieldChangedAloneIsTheOnlyRow) {
  const Configuration left = base();
  for (std::size_t i = 0; i < kFileFields.size(); ++i) {
    SCOPED_TRACE(kFileFields[i].path());
    Configuration right = left;
    right.values[i] += 1;
    const std::vector<DiffRow> rows = compareConfigurations(left, right);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, DiffRow::Kind::Field);
    EXPECT_EQ(rows[0].key, kFileFields[i].path());
    EXPECT_FALSE(rows[0].label.empty());
    EXPECT_EQ(rows[0].left, displayValue(kFileFields[i], left.values[i]));
    EXPECT_EQ(rows[0].right, displayValue(kFileFields[i], right.values[i]));
    EXPECT_EQ(differences(left, right), std::vector<std::string>{rows[0].line()});
    EXPECT_TRUE(compareConfigurations(right, right).empty());
  }
}

TEST(ConfigDiff, EachOrderFieldChangedAloneIsTheOnlyRow) {
  const Configuration left = base();
  const std::array<int MasterOrder::*, 6> fields = {
      &MasterOrder::slaveAddress,  &MasterOrder::function,      &MasterOrder::startingAddress,
      &MasterOrder::registerCount, &MasterOrder::memoryAddress, &MasterOrder::memorySelection};
  static_assert(fields.size() == kOrderFields.size());
  for (std::size_t f = 0; f < fields.size(); ++f) {
    SCOPED_TRACE(std::string(kOrderFields[f].key));
    Configuration right = left;
    right.orders[2].*fields[f] += 1;  // the last order, as the last field once went unnoticed
    const std::vector<DiffRow> rows = compareConfigurations(left, right);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, DiffRow::Kind::OrderField);
    EXPECT_EQ(rows[0].key, "master.orders[2]." + std::string(kOrderFields[f].key));
    EXPECT_EQ(rows[0].order, 3);
    EXPECT_EQ(rows[0].label.rfind("Order 3 ", 0), 0u) << rows[0].label;
    EXPECT_GT(rows[0].label.size(), std::string("Order 3 ").size());
    // Catch mode compares no order records.
    EXPECT_TRUE(compareConfigurations(left, right, false).empty());
  }
}

TEST(ConfigDiff, OrdersAddedAndRemovedAreNumberedFromOne) {
  const Configuration three = base();
  Configuration one = three;
  one.orders.resize(1);
  one.orders[0].memorySelection = 1;

  const std::vector<std::string> lines = differences(three, one);
  const std::vector<std::string> expected = {
      "master.orders: 3 orders -> 1 orders",
      "master.orders[0].memory_selection: \"Data memory\" -> \"Errors registers\"",
      "master.orders[1]: " + orderJson(three.orders[1]) + " -> (none)",
      "master.orders[2]: " + orderJson(three.orders[2]) + " -> (none)",
  };
  EXPECT_EQ(lines, expected);

  const std::vector<DiffRow> back = compareConfigurations(one, three);
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[0].kind, DiffRow::Kind::OrderCount);
  EXPECT_EQ(back[0].label, "Master Number of Orders");
  EXPECT_EQ(back[2].kind, DiffRow::Kind::OrderAdded);
  EXPECT_EQ(back[2].order, 2);
  EXPECT_EQ(back[2].label, "Order 2");
  EXPECT_EQ(back[3].left, "(none)");
  // Without order records only the count remains.
  EXPECT_EQ(differences(three, one, false), std::vector<std::string>{expected[0]});
}

}  // namespace

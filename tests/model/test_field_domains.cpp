#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "model/config_fields.h"
#include "model/field_domains.h"

TEST(FieldDomains, ChoiceLists) {
  EXPECT_EQ(domain::BaudRateList[5], "38000");
  EXPECT_EQ(domain::BaudRateList[7], "115200");
  EXPECT_EQ(domain::ParityList[4], "8N2");
  EXPECT_EQ(domain::memorySelectionText(1), "Errors registers");
  EXPECT_EQ(domain::memorySelectionText(-1), "-1");
  EXPECT_EQ(domain::memorySelectionText(7), "7");
}

TEST(FieldDomains, DialogIntConversion) {
  struct Case {
    const char* text;
    int value;
  };
  for (const Case& c : {Case{"", 0}, Case{"007", 7}, Case{"  42", 42}, Case{"-5", -5}, Case{"12a", 0},
                        Case{"a", 0}, Case{"-", 0}, Case{"65535", 65535}, Case{"99999999999", 0},
                        Case{"2147483647", 2147483647}, Case{"-2147483648", INT32_MIN}, Case{"4 2", 0}}) {
    EXPECT_EQ(dialogInt(c.text), c.value) << c.text;
  }
  for (const Case& c : {Case{"", 0}, Case{" 12x", 12}, Case{"+3", 3}, Case{"-4", -4}, Case{"x1", 0}})
    EXPECT_EQ(leadingInt(c.text), c.value) << c.text;
}

TEST(FieldDomains, DefaultLimits) {
  FieldLimits l;
  EXPECT_TRUE(l.entry(1).contains(65535));
  EXPECT_FALSE(l.entry(1).contains(99999));
  EXPECT_FALSE(l.entry(4).contains(0));
  EXPECT_TRUE(l.entry(4).contains(250));
  EXPECT_FALSE(l.entry(4).contains(251));
  EXPECT_EQ(l.entry(9).max, 255);
  EXPECT_EQ(l.entry(12).max, 120);
  EXPECT_EQ(l.entry(13).max, 8000);
}

// Every position of the function list: the range of the number of
// registers, the characters of its edit and its label.
TEST(FieldDomains, FunctionRuleAtEveryPosition) {
  struct Case {
    const char* function;
    int min, max, chars;
    const char* label;
  };
  const Case cases[] = {
      {"1", 1, 120, 3, "No. of Registers\n1..120"}, {"2", 1, 120, 3, "No. of Registers\n1..120"},
      {"3", 1, 120, 3, "No. of Registers\n1..120"}, {"4", 1, 120, 3, "No. of Registers\n1..120"},
      {"5", 1, 1, 1, "No. of Registers\nonly 1"},   {"6", 1, 1, 1, "No. of Registers\nonly 1"},
      {"15", 1, 25, 2, "No. of Registers\n1..25"},  {"16", 1, 25, 2, "No. of Registers\n1..25"},
  };
  for (int f = 0; f < 8; ++f) {
    const Case& c = cases[f];
    SCOPED_TRACE(std::string("function ") + c.function);
    EXPECT_EQ(domain::FunctionList[std::size_t(f)], c.function);
    FunctionRuleResult r;
    ASSERT_TRUE(functionRule(f, r));
    EXPECT_EQ(r.regCount.min, c.min);
    EXPECT_EQ(r.regCount.max, c.max);
    EXPECT_EQ(r.chars, c.chars);
    EXPECT_EQ(r.label, std::string_view(c.label));
  }
  FunctionRuleResult unchanged;
  EXPECT_FALSE(functionRule(-1, unchanged));
  EXPECT_FALSE(functionRule(8, unchanged));
}

TEST(FieldDomains, DependentRules) {
  MemoryRuleResult m;
  ASSERT_TRUE(memorySelectionRule(1, m));
  EXPECT_TRUE(m.memAddress.contains(10));
  EXPECT_FALSE(m.memAddress.contains(11));
  EXPECT_EQ(m.functionLabel, "Function\n6, 16");
  EXPECT_FALSE(memorySelectionRule(-1, m));

  // Function compatibility: (F, S, passes)
  struct C {
    int f, s;
    bool ok;
  };
  for (const C& c : {C{2, 1, false}, C{5, 1, true}, C{7, 1, true}, C{7, -1, true}, C{0, -1, false},
                     C{-1, 0, false}, C{0, 0, true}})
    EXPECT_EQ(functionCompatible(c.f, c.s), c.ok) << c.f << "," << c.s;
}

TEST(FieldDomains, SlaveModeRule) {
  // Rows: master mode -1, 0, 1; columns: slave mode -1..4.
  const bool table[3][6] = {{false, true, true, true, true, true},
                            {false, true, false, false, true, true},
                            {false, false, true, true, false, false}};
  for (int m = -1; m <= 1; ++m)
    for (int s = -1; s <= 4; ++s) EXPECT_EQ(slaveModeAllowed(m, s), table[m + 1][s + 1]) << m << "," << s;
}

TEST(ConfigFields, TableCoversEveryFieldOnce) {
  std::set<int> regs, controls;
  for (const ConfigField& f : kConfigFields) {
    EXPECT_TRUE(regs.insert(f.reg).second);
    EXPECT_TRUE(controls.insert(f.controlId).second);
    if (f.kind == FieldKind::Choice || f.kind == FieldKind::SlaveMode) {
      EXPECT_GT(choiceListSize(f.controlId), 0);
    }
  }
  EXPECT_EQ(regs.size(), 22u);
  // The Write check takes every row once.
  EXPECT_EQ(std::set<int>(kWriteCheckOrder.begin(), kWriteCheckOrder.end()).size(), kConfigFields.size());
  EXPECT_EQ(kConfigFields[kWriteCheckOrder[14]].controlId, ids::kCom1SlaveMode);
}

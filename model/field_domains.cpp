#include "model/field_domains.h"

#include <cctype>
#include <climits>

#include "model/control_ids.h"

namespace domain {
std::string memorySelectionText(long long value) {
  if (value >= 0 && value < static_cast<long long>(MemorySelectionList.size()))
    return std::string(MemorySelectionList[static_cast<std::size_t>(value)]);
  return std::to_string(value);
}
}  // namespace domain

void FieldLimits::setDefaults() {
  m_limits = {Limit{0, 65535}, Limit{0, 65535}, Limit{0, 65535}, Limit{1, 250}, Limit{1, 250},
              Limit{1, 250},   Limit{0, 65535}, Limit{0, 65535}, Limit{1, 255}, Limit{1, 250},
              Limit{1, 65535}, Limit{1, 120},   Limit{1, 8000}};
}

const std::array<TextLimit, 13> kTextLimits = {{{ids::kCom1Redirect, 5},
                                                 {ids::kCom2Redirect, 5},
                                                 {ids::kCom3Redirect, 5},
                                                 {ids::kCom1SlaveAddr, 3},
                                                 {ids::kCom2SlaveAddr, 3},
                                                 {ids::kCom3SlaveAddr, 3},
                                                 {ids::kMasterPoolTime, 5},
                                                 {ids::kMasterTimeout, 5},
                                                 {ids::kMasterMaxErrors, 3},
                                                 {ids::kOrderSlaveAddr, 3},
                                                 {ids::kOrderStart, 5},
                                                 {ids::kOrderRegCount, 3},
                                                 {ids::kOrderMemAddr, 4}}};

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

int dialogInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == text.size()) return 0;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
    v = v * 10 + (text[i] - '0');
    if (v > 0x80000000LL) return 0;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return 0;
  return static_cast<int>(v);
}

int leadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  long long v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > INT_MAX) v = INT_MAX;  // saturate instead of overflowing
  }
  return static_cast<int>(negative ? -v : v);
}

bool functionRule(int f, FunctionRuleResult& out) {
  if (f >= 0 && f <= 3) {
    out = {Limit{1, 120}, 3, "No. of Registers\n1..120"};
  } else if (f == 4 || f == 5) {
    out = {Limit{1, 1}, 1, "No. of Registers\nonly 1"};
  } else if (f == 6 || f == 7) {
    out = {Limit{1, 25}, 2, "No. of Registers\n1..25"};
  } else {
    return false;
  }
  return true;
}

bool memorySelectionRule(int s, MemoryRuleResult& out) {
  if (s == 0) {
    out = {Limit{1, 8000}, 4, "Memory Address\n1..8000", "Function\nall"};
  } else if (s == 1) {
    out = {Limit{1, 10}, 2, "Memory Address\n1..10", "Function\n6, 16"};
  } else {
    return false;
  }
  return true;
}

bool functionCompatible(int f, int s) {
  if (s == 0) return f != -1;
  return f == 5 || f == 7;
}

bool slaveModeAllowed(int masterMode, int slaveMode) {
  if (slaveMode < 0 || slaveMode > 4) return false;
  if (masterMode == 0) return slaveMode == 0 || slaveMode == 3 || slaveMode == 4;
  if (masterMode == 1) return slaveMode == 1 || slaveMode == 2;
  return true;  // no master mode selected: the master mode field itself fails
}

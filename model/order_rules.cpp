#include "model/order_rules.h"

namespace {
std::string range(const Limit& l) {
  return std::to_string(l.min) + ".." + std::to_string(l.max);
}

std::string outOfRange(int value, const Limit& l) {
  return std::to_string(value) + " is out of range " + range(l);
}
}  // namespace

int functionPosition(int code) {
  for (std::size_t i = 0; i < domain::FunctionList.size(); ++i) {
    if (domain::FunctionList[i] == std::to_string(code)) return static_cast<int>(i);
  }
  return -1;
}

std::vector<OrderProblem> checkOrder(const MasterOrder& o, const FieldLimits& limits) {
  std::vector<OrderProblem> problems;
  const int f = functionPosition(o.function);
  const int s = (o.memorySelection == 0 || o.memorySelection == 1) ? o.memorySelection : -1;

  const Limit& slave = limits.entry(limit_entry::kOrderSlaveAddr);
  if (!slave.contains(o.slaveAddress))
    problems.push_back({OrderField::SlaveAddress, outOfRange(o.slaveAddress, slave)});

  if (f < 0) {
    problems.push_back(
        {OrderField::Function, std::to_string(o.function) + " is not one of 1, 2, 3, 4, 5, 6, 15, 16"});
  } else if (s >= 0 && !functionCompatible(f, s)) {
    problems.push_back({OrderField::Function, "function " + std::to_string(o.function) +
                                                  " cannot address \"" +
                                                  std::string(domain::MemorySelectionList[std::size_t(s)]) +
                                                  "\" (only 6 and 16 can)"});
  }

  const Limit& start = limits.entry(limit_entry::kOrderStart);
  if (!start.contains(o.startingAddress))
    problems.push_back({OrderField::StartingAddress, outOfRange(o.startingAddress, start)});

  // Without a listed function the number of registers keeps the default range.
  FunctionRuleResult fr{limits.entry(limit_entry::kOrderRegCount), 0, {}};
  if (f >= 0) functionRule(f, fr);
  if (!fr.regCount.contains(o.registerCount)) {
    std::string text = outOfRange(o.registerCount, fr.regCount);
    if (f >= 0) text += " for function " + std::to_string(o.function);
    problems.push_back({OrderField::RegisterCount, text});
  }

  MemoryRuleResult mr{limits.entry(limit_entry::kOrderMemAddr), 0, {}, {}};
  if (s >= 0) memorySelectionRule(s, mr);
  if (!mr.memAddress.contains(o.memoryAddress)) {
    std::string text = outOfRange(o.memoryAddress, mr.memAddress);
    if (s >= 0) text += " for \"" + std::string(domain::MemorySelectionList[std::size_t(s)]) + "\"";
    problems.push_back({OrderField::MemoryAddress, text});
  }

  if (s < 0)
    problems.push_back(
        {OrderField::MemorySelection,
         std::to_string(o.memorySelection) + " is not one of \"Data memory\", \"Errors registers\""});
  return problems;
}

#include "model/config_diff.h"

#include <algorithm>
#include <array>

#include "model/field_labels.h"

namespace {

std::string memorySelectionValue(int v) {
  const auto& list = domain::MemorySelectionList;
  if (v >= 0 && static_cast<std::size_t>(v) < list.size()) return jsonQuoted(list[std::size_t(v)]);
  return std::to_string(v);
}

// The six fields of an order record, in the order of kOrderKeys.
std::array<int, kOrderKeys.size()> orderValues(const MasterOrder& o) {
  return {o.slaveAddress, o.function, o.startingAddress, o.registerCount, o.memoryAddress, o.memorySelection};
}

}  // namespace

std::vector<DiffRow> compareConfigurations(const Configuration& left, const Configuration& right,
                                           bool withOrders) {
  std::vector<DiffRow> rows;
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
    const ConfigKey& k = kConfigKeys[i];
    if (left.values[i] == right.values[i]) continue;
    const std::string key = k.path();
    rows.push_back({DiffRow::Kind::Field, key, std::string(fieldLabel(key)), 0,
                    displayValue(k, left.values[i]), displayValue(k, right.values[i])});
  }
  if (left.orders.size() != right.orders.size())
    rows.push_back({DiffRow::Kind::OrderCount, "master.orders", std::string(fieldLabel("master.orders")), 0,
                    std::to_string(left.orders.size()) + " orders",
                    std::to_string(right.orders.size()) + " orders"});
  if (!withOrders) return rows;

  const std::size_t n = std::max(left.orders.size(), right.orders.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string path = "master.orders[" + std::to_string(i) + "]";
    const int number = static_cast<int>(i) + 1;
    if (i >= left.orders.size()) {
      rows.push_back({DiffRow::Kind::OrderAdded, path, "Order " + std::to_string(number), number, "(none)",
                      orderJson(right.orders[i])});
      continue;
    }
    if (i >= right.orders.size()) {
      rows.push_back({DiffRow::Kind::OrderRemoved, path, "Order " + std::to_string(number), number,
                      orderJson(left.orders[i]), "(none)"});
      continue;
    }
    const auto a = orderValues(left.orders[i]);
    const auto b = orderValues(right.orders[i]);
    for (std::size_t f = 0; f < kOrderKeys.size(); ++f) {
      if (a[f] == b[f]) continue;
      const bool selection = kOrderKeys[f] == "memory_selection";
      const auto show = [selection](int v) {
        return selection ? memorySelectionValue(v) : std::to_string(v);
      };
      rows.push_back({DiffRow::Kind::OrderField, path + "." + std::string(kOrderKeys[f]),
                      "Order " + std::to_string(number) + " " + std::string(fieldLabel(kOrderKeys[f])),
                      number, show(a[f]), show(b[f])});
    }
  }
  return rows;
}

std::vector<std::string> differences(const Configuration& left, const Configuration& right, bool withOrders) {
  std::vector<std::string> lines;
  for (const DiffRow& row : compareConfigurations(left, right, withOrders)) lines.push_back(row.line());
  return lines;
}

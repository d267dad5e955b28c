#include "model/config_diff.h"

#include <algorithm>

std::vector<DiffRow> compareConfigurations(const Configuration& left, const Configuration& right,
                                           bool withOrders) {
  std::vector<DiffRow> rows;
  for (std::size_t i = 0; i < kFileFields.size(); ++i) {
    const ConfigField& f = kFileFields[i];
    if (left.values[i] == right.values[i]) continue;
    rows.push_back({DiffRow::Kind::Field, f.path(), std::string(f.label), 0, displayValue(f, left.values[i]),
                    displayValue(f, right.values[i])});
  }
  if (left.orders.size() != right.orders.size())
    rows.push_back({DiffRow::Kind::OrderCount, "master.orders", std::string(kConfigFields.back().label), 0,
                    std::to_string(left.orders.size()) + " orders",
                    std::to_string(right.orders.size()) + " orders"});
  if (!withOrders) return rows;

  const std::size_t n = std::max(left.orders.size(), right.orders.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string path = "master.orders[" + std::to_string(i) + "]";
    const int number = static_cast<int>(i) + 1;
    const std::string name = "Order " + std::to_string(number);
    if (i >= left.orders.size()) {
      rows.push_back({DiffRow::Kind::OrderAdded, path, name, number, "(none)", orderJson(right.orders[i])});
      continue;
    }
    if (i >= right.orders.size()) {
      rows.push_back({DiffRow::Kind::OrderRemoved, path, name, number, orderJson(left.orders[i]), "(none)"});
      continue;
    }
    for (const OrderFieldInfo& f : kOrderFields) {
      const int a = left.orders[i].*f.member;
      const int b = right.orders[i].*f.member;
      if (a == b) continue;
      rows.push_back({DiffRow::Kind::OrderField, path + "." + std::string(f.key), name + " " + std::string(f.label),
                      number, displayValue(f, a), displayValue(f, b)});
    }
  }
  return rows;
}

std::vector<std::string> differences(const Configuration& left, const Configuration& right, bool withOrders) {
  std::vector<std::string> lines;
  for (const DiffRow& row : compareConfigurations(left, right, withOrders)) lines.push_back(row.line());
  return lines;
}

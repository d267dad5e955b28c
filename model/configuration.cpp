#include "model/configuration.h"

#include <cstdio>

#include "model/control_ids.h"
#include "model/order_rules.h"

namespace {

std::string choiceText(std::span<const std::string_view> list, int value) {
  if (value >= 0 && static_cast<std::size_t>(value) < list.size())
    return jsonQuoted(list[std::size_t(value)]);
  return std::to_string(value);
}

std::string orderPath(std::size_t n) {
  return "master.orders[" + std::to_string(n) + "]";
}

}  // namespace

std::string jsonQuoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string shownText(std::string_view s, std::size_t maxBytes) {
  std::size_t cut = s.size();
  if (cut > maxBytes) {
    cut = maxBytes;
    // Not inside a UTF-8 sequence: back up over continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  }
  std::string out;
  const auto escape = [&out](unsigned code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", code);
    out += buf;
  };
  for (std::size_t i = 0; i < cut; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else if (c == 0xC2 && i + 1 < cut && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      escape(static_cast<unsigned char>(s[++i]));  // U+0080..U+009F: terminal controls too
    } else {
      out += static_cast<char>(c);
    }
  }
  if (cut < s.size()) out += "... (" + std::to_string(s.size()) + " bytes)";
  return out;
}

std::string listText(std::span<const std::string_view> list) {
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i) out += ", ";
    out += jsonQuoted(list[i]);
  }
  return out;
}

const ConfigField& ConfigKey::field() const {
  for (const ConfigField& f : kConfigFields) {
    if (f.reg == reg) return f;
  }
  return kConfigFields.front();  // unreachable: every key's register is in the table
}

std::span<const std::string_view> ConfigKey::choices() const {
  switch (field().controlId) {
    case ctl::kCom1Parity:
    case ctl::kCom2Parity:
    case ctl::kCom3Parity:
    case ctl::kCom4Parity:
      return domain::ParityList;
    case ctl::kCom1Baud:
    case ctl::kCom2Baud:
    case ctl::kCom3Baud:
    case ctl::kCom4Baud:
      return domain::BaudRateList;
    case ctl::kCom1SlaveMode:
    case ctl::kCom2SlaveMode:
    case ctl::kCom3SlaveMode:
      return domain::SlaveModeList;
    case ctl::kMasterMode:
      return domain::MasterModeList;
    default:
      return {};
  }
}

int Configuration::value(int reg) const {
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
    if (kConfigKeys[i].reg == reg) return values[i];
  }
  return 0;
}

void Configuration::setValue(int reg, int v) {
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
    if (kConfigKeys[i].reg == reg) values[i] = v;
  }
}

Configuration Configuration::fromImage(const RegisterImage& image, int orderCount) {
  Configuration c;
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i)
    c.values[i] = image.get(std::size_t(kConfigKeys[i].reg));
  for (int i = 0; i < orderCount && i < kMaxOrders; ++i) c.orders.push_back(MasterOrder::unpack(image, i));
  c.productCode = ::productCode(image);
  c.programRevision = ::programRevision(image);
  return c;
}

void Configuration::toImage(RegisterImage& image) const {
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) image.set(std::size_t(kConfigKeys[i].reg), values[i]);
  // Never beyond the list's capacity: the records would leave their area.
  const std::size_t count = std::min(orders.size(), std::size_t(kMaxOrders));
  image.set(reg::kMasterOrderCount, static_cast<long long>(count));
  for (std::size_t i = 0; i < count; ++i) orders[i].pack(image, int(i));
}

std::vector<std::string> Configuration::encodingProblems() const {
  std::vector<std::string> problems;
  const auto range = [&](const std::string& path, long long v, long long lo, long long hi) {
    if (v < lo || v > hi)
      problems.push_back(path + ": " + std::to_string(v) + " is out of range " + std::to_string(lo) + ".." +
                         std::to_string(hi));
  };
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) range(kConfigKeys[i].path(), values[i], 0, 0xFFFF);
  if (orders.size() > std::size_t(kMaxOrders))
    problems.push_back("master.orders: " + std::to_string(orders.size()) + " orders, at most " +
                       std::to_string(kMaxOrders) + " are allowed");
  for (std::size_t n = 0; n < orders.size() && n < std::size_t(kMaxOrders); ++n) {
    const MasterOrder& o = orders[n];
    const std::string p = orderPath(n) + ".";
    range(p + "slave_address", o.slaveAddress, 0, 0xFF);
    range(p + "function", o.function, 0, 0xFF);
    range(p + "starting_address", o.startingAddress, 1, 0x10000);
    range(p + "number_of_registers", o.registerCount, 0, 0xFFFF);
    range(p + "memory_address", o.memoryAddress, 0, 0xFFFF);
    range(p + "memory_selection", o.memorySelection, 0, 0xFFFF);
  }
  return problems;
}

std::vector<std::string> Configuration::writeProblems(const FieldLimits& limits) const {
  std::vector<std::string> problems;
  const int masterMode = value(reg::kMasterMode);
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
    const ConfigKey& k = kConfigKeys[i];
    const ConfigField& f = k.field();
    const int v = values[i];
    if (fieldPasses(f, v, false, masterMode, limits)) continue;
    switch (f.kind) {
      case FieldKind::Number: {
        const Limit& l = limits.entry(f.limitEntry);
        problems.push_back(k.path() + ": " + std::to_string(v) + " is out of range " + std::to_string(l.min) +
                           ".." + std::to_string(l.max));
        break;
      }
      case FieldKind::SlaveMode:
        if (v >= 0 && static_cast<std::size_t>(v) < k.choices().size()) {
          problems.push_back(k.path() + ": " + displayValue(k, v) + " is not allowed with master mode " +
                             choiceText(domain::MasterModeList, masterMode));
          break;
        }
        [[fallthrough]];
      case FieldKind::Choice:
        problems.push_back(k.path() + ": " + std::to_string(v) + " is not one of " + listText(k.choices()));
        break;
      case FieldKind::Count:
        break;
    }
  }
  return problems;
}

std::vector<std::string> Configuration::orderWarnings(const FieldLimits& limits) const {
  std::vector<std::string> warnings;
  for (std::size_t n = 0; n < orders.size(); ++n) {
    for (const OrderProblem& p : checkOrder(orders[n], limits))
      warnings.push_back(orderPath(n) + "." + std::string(kOrderKeys[static_cast<std::size_t>(p.field)]) +
                         ": " + p.text);
  }
  return warnings;
}

std::string displayValue(const ConfigKey& key, int value) {
  const auto list = key.choices();
  return list.empty() ? std::to_string(value) : choiceText(list, value);
}

std::string orderJson(const MasterOrder& o) {
  return "{ \"slave_address\": " + std::to_string(o.slaveAddress) +
         ", \"function\": " + std::to_string(o.function) +
         ", \"starting_address\": " + std::to_string(o.startingAddress) +
         ", \"number_of_registers\": " + std::to_string(o.registerCount) +
         ", \"memory_address\": " + std::to_string(o.memoryAddress) +
         ", \"memory_selection\": " + choiceText(domain::MemorySelectionList, o.memorySelection) + " }";
}

std::vector<std::string> differences(const Configuration& left, const Configuration& right, bool withOrders) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
    if (left.values[i] != right.values[i])
      lines.push_back(kConfigKeys[i].path() + ": " + displayValue(kConfigKeys[i], left.values[i]) + " -> " +
                      displayValue(kConfigKeys[i], right.values[i]));
  }
  if (left.orders.size() != right.orders.size())
    lines.push_back("master.orders: " + std::to_string(left.orders.size()) + " orders -> " +
                    std::to_string(right.orders.size()) + " orders");
  if (!withOrders) return lines;
  const std::size_t n = std::max(left.orders.size(), right.orders.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string path = orderPath(i);
    if (i >= left.orders.size()) {
      lines.push_back(path + ": (none) -> " + orderJson(right.orders[i]));
      continue;
    }
    if (i >= right.orders.size()) {
      lines.push_back(path + ": " + orderJson(left.orders[i]) + " -> (none)");
      continue;
    }
    const MasterOrder& a = left.orders[i];
    const MasterOrder& b = right.orders[i];
    const std::array<std::pair<int, int>, 6> pairs = {{{a.slaveAddress, b.slaveAddress},
                                                       {a.function, b.function},
                                                       {a.startingAddress, b.startingAddress},
                                                       {a.registerCount, b.registerCount},
                                                       {a.memoryAddress, b.memoryAddress},
                                                       {a.memorySelection, b.memorySelection}}};
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      if (pairs[k].first == pairs[k].second) continue;
      const auto show = [k](int v) {
        return k == 5 ? choiceText(domain::MemorySelectionList, v) : std::to_string(v);
      };
      lines.push_back(path + "." + std::string(kOrderKeys[k]) + ": " + show(pairs[k].first) + " -> " +
                      show(pairs[k].second));
    }
  }
  return lines;
}

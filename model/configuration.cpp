#include "model/configuration.h"

#include <cstdio>

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

std::string tooManyOrders(std::size_t count) {
  return std::to_string(count) + " orders, at most " + std::to_string(kMaxOrders) + " are allowed";
}

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

int Configuration::value(int reg) const {
  for (std::size_t i = 0; i < kFileFields.size(); ++i) {
    if (kFileFields[i].reg == reg) return values[i];
  }
  return 0;
}

void Configuration::setValue(int reg, int v) {
  for (std::size_t i = 0; i < kFileFields.size(); ++i) {
    if (kFileFields[i].reg == reg) values[i] = v;
  }
}

Configuration Configuration::fromImage(const RegisterImage& image, int orderCount) {
  Configuration c;
  for (std::size_t i = 0; i < kFileFields.size(); ++i)
    c.values[i] = image.get(std::size_t(kFileFields[i].reg));
  for (int i = 0; i < ordersWithin(orderCount); ++i) c.orders.push_back(MasterOrder::unpack(image, i));
  c.productCode = ::productCode(image);
  c.programRevision = ::programRevision(image);
  return c;
}

void Configuration::toImage(RegisterImage& image) const {
  for (std::size_t i = 0; i < kFileFields.size(); ++i) image.set(std::size_t(kFileFields[i].reg), values[i]);
  // Never beyond the list's capacity: the records would leave their area.
  const std::size_t count = std::size_t(ordersWithin(static_cast<long long>(orders.size())));
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
  for (std::size_t i = 0; i < kFileFields.size(); ++i) range(kFileFields[i].path(), values[i], 0, 0xFFFF);
  if (orders.size() > std::size_t(kMaxOrders))
    problems.push_back("master.orders: " + tooManyOrders(orders.size()));
  for (std::size_t n = 0; n < orders.size() && n < std::size_t(kMaxOrders); ++n) {
    const std::string p = orderPath(n) + ".";
    for (const OrderFieldInfo& f : kOrderFields)
      range(p + std::string(f.key), orders[n].*f.member, f.lo, f.hi);
  }
  return problems;
}

std::vector<std::string> Configuration::writeProblems(const FieldLimits& limits) const {
  std::vector<std::string> problems;
  const int masterMode = value(reg::kMasterMode);
  for (std::size_t i = 0; i < kFileFields.size(); ++i) {
    const ConfigField& f = kFileFields[i];
    const int v = values[i];
    if (fieldPasses(f, v, false, masterMode, limits)) continue;
    switch (f.kind) {
      case FieldKind::Number: {
        const Limit& l = limits.entry(f.limitEntry);
        problems.push_back(f.path() + ": " + std::to_string(v) + " is out of range " + std::to_string(l.min) +
                           ".." + std::to_string(l.max));
        break;
      }
      case FieldKind::SlaveMode:
        if (v >= 0 && static_cast<std::size_t>(v) < f.choices.size()) {
          problems.push_back(f.path() + ": " + displayValue(f, v) + " is not allowed with master mode " +
                             choiceText(domain::MasterModeList, masterMode));
          break;
        }
        [[fallthrough]];
      case FieldKind::Choice:
        problems.push_back(f.path() + ": " + std::to_string(v) + " is not one of " + listText(f.choices));
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
      warnings.push_back(orderPath(n) + "." + std::string(orderField(p.field).key) + ": " + p.text);
  }
  return warnings;
}

std::string displayValue(const ConfigField& field, int value) {
  return field.choices.empty() ? std::to_string(value) : choiceText(field.choices, value);
}

std::string displayValue(const OrderFieldInfo& field, int value) {
  return field.kind == OrderValue::Selection ? choiceText(field.choices, value) : std::to_string(value);
}

std::string orderJson(const MasterOrder& o) {
  std::string out = "{ ";
  for (const OrderFieldInfo& f : kOrderFields) {
    if (f.field != OrderField::SlaveAddress) out += ", ";
    out += jsonQuoted(f.key) + ": " + displayValue(f, o.*f.member);
  }
  return out + " }";
}

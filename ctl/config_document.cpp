#include "ctl/config_document.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <climits>
#include <cmath>
#include <sstream>

#include "model/control_ids.h"
#include "model/order_rules.h"

namespace {

constexpr std::array<std::string_view, 6> kOrderKeys = {"slave_address",    "function",
                                                        "starting_address", "number_of_registers",
                                                        "memory_address",   "memory_selection"};
constexpr std::array<std::string_view, 5> kGroups = {"com1", "com2", "com3", "com4", "master"};

std::string quoted(std::string_view s) {
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

std::string listText(std::span<const std::string_view> list) {
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i) out += ", ";
    out += quoted(list[i]);
  }
  return out;
}

std::string choiceText(std::span<const std::string_view> list, int value) {
  if (value >= 0 && static_cast<std::size_t>(value) < list.size()) return quoted(list[std::size_t(value)]);
  return std::to_string(value);
}

std::string describe(const QJsonValue& v) {
  switch (v.type()) {
    case QJsonValue::Null:
      return "null";
    case QJsonValue::Bool:
      return v.toBool() ? "true" : "false";
    case QJsonValue::Double: {
      std::ostringstream s;
      s << v.toDouble();
      return s.str();
    }
    case QJsonValue::String:
      return quoted(v.toString().toStdString());
    case QJsonValue::Array:
      return "an array";
    case QJsonValue::Object:
      return "an object";
    default:
      return "nothing";
  }
}

// Line and column of a byte offset, for the parse error.
std::string position(const std::string& text, int offset) {
  int line = 1, col = 1;
  for (int i = 0; i < offset && i < static_cast<int>(text.size()); ++i) {
    if (text[std::size_t(i)] == '\n') {
      ++line;
      col = 1;
    } else {
      ++col;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(col);
}

// Collects the problems of one parse and reads typed values.
class Reader {
 public:
  Reader(ConfigDocument::Mode mode, std::vector<std::string>& problems)
      : m_mode(mode), m_problems(problems) {}

  void problem(const std::string& path, const std::string& text) { m_problems.push_back(path + ": " + text); }

  // Reports every missing required key and every unknown key.
  void checkKeys(const QJsonObject& obj, const std::string& prefix,
                 std::span<const std::string_view> required,
                 std::span<const std::string_view> optional = {}) {
    for (std::string_view k : required) {
      if (!obj.contains(QString::fromUtf8(k.data(), qsizetype(k.size()))))
        problem(prefix + std::string(k), "missing");
    }
    for (auto it = obj.begin(); it != obj.end(); ++it) {
      const std::string k = it.key().toStdString();
      bool known = false;
      for (std::string_view r : required) known = known || r == k;
      for (std::string_view r : optional) known = known || r == k;
      if (!known) problem(prefix + k, "unknown field");
    }
  }

  // A whole number in the signed 32-bit range.
  bool number(const QJsonValue& v, const std::string& path, int& out) {
    if (v.isUndefined()) return false;  // reported as missing
    if (!v.isDouble()) {
      problem(path, "expected a whole number, got " + describe(v));
      return false;
    }
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d)) {
      problem(path, "expected a whole number, got " + describe(v));
      return false;
    }
    if (d < double(INT_MIN) || d > double(INT_MAX)) {
      problem(path, describe(v) + " is out of range");
      return false;
    }
    out = static_cast<int>(d);
    return true;
  }

  bool choice(const QJsonValue& v, const std::string& path, std::span<const std::string_view> list,
              int& out) {
    if (v.isUndefined()) return false;
    if (v.isString()) {
      const std::string s = v.toString().toStdString();
      for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == s) {
          out = static_cast<int>(i);
          return true;
        }
      }
      problem(path, quoted(s) + " is not one of " + listText(list));
      return false;
    }
    if (m_mode == ConfigDocument::Mode::Lenient && v.isDouble()) return number(v, path, out);
    problem(path, "expected one of " + listText(list) + ", got " + describe(v));
    return false;
  }

 private:
  ConfigDocument::Mode m_mode;
  std::vector<std::string>& m_problems;
};

QJsonValue member(const QJsonObject& obj, std::string_view key) {
  return obj.value(QString::fromUtf8(key.data(), qsizetype(key.size())));
}

}  // namespace

const ConfigField& DocField::config() const {
  for (const ConfigField& f : kConfigFields) {
    if (f.reg == reg) return f;
  }
  return kConfigFields.front();  // unreachable: every DocField register is in the table
}

std::span<const std::string_view> DocField::choices() const {
  switch (config().controlId) {
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

int ConfigDocument::value(int reg) const {
  for (std::size_t i = 0; i < kDocFields.size(); ++i) {
    if (kDocFields[i].reg == reg) return values[i];
  }
  return 0;
}

void ConfigDocument::setValue(int reg, int v) {
  for (std::size_t i = 0; i < kDocFields.size(); ++i) {
    if (kDocFields[i].reg == reg) values[i] = v;
  }
}

ConfigDocument ConfigDocument::fromImage(const RegisterImage& image, int orderCount) {
  ConfigDocument doc;
  for (std::size_t i = 0; i < kDocFields.size(); ++i)
    doc.values[i] = image.get(std::size_t(kDocFields[i].reg));
  for (int i = 0; i < orderCount; ++i) doc.orders.push_back(MasterOrder::unpack(image, i));
  doc.productCode = ::productCode(image);
  doc.programRevision = ::programRevision(image);
  return doc;
}

void ConfigDocument::toImage(RegisterImage& image) const {
  for (std::size_t i = 0; i < kDocFields.size(); ++i) image.set(std::size_t(kDocFields[i].reg), values[i]);
  image.set(reg::kMasterOrderCount, static_cast<long long>(orders.size()));
  // Never beyond the list's capacity: the records would leave their area.
  for (std::size_t i = 0; i < orders.size() && i < std::size_t(kMaxOrders); ++i)
    orders[i].pack(image, int(i));
}

std::string displayValue(const DocField& field, int value) {
  const auto list = field.choices();
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

std::string ConfigDocument::toJson() const {
  std::string out = "{\n";
  if (productCode) out += "  \"product_code\": " + std::to_string(*productCode) + ",\n";
  if (programRevision) out += "  \"program_revision\": " + quoted(*programRevision) + ",\n";
  for (std::string_view group : kGroups) {
    out += "  " + quoted(group) + ": {";
    bool first = true;
    for (std::size_t i = 0; i < kDocFields.size(); ++i) {
      if (kDocFields[i].group != group) continue;
      out += first ? "\n" : ",\n";
      first = false;
      out += "    " + quoted(kDocFields[i].key) + ": " + displayValue(kDocFields[i], values[i]);
    }
    if (group == "master") {
      out += ",\n    \"orders\": [";
      for (std::size_t i = 0; i < orders.size(); ++i)
        out += (i ? ",\n      " : "\n      ") + orderJson(orders[i]);
      out += orders.empty() ? "]" : "\n    ]";
    }
    out += group == "master" ? "\n  }\n" : "\n  },\n";
  }
  return out + "}\n";
}

bool ConfigDocument::parse(const std::string& text, Mode mode, ConfigDocument& out,
                           std::vector<std::string>& problems) {
  const std::size_t before = problems.size();
  QJsonParseError error{};
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray(text.data(), qsizetype(text.size())), &error);
  if (error.error != QJsonParseError::NoError) {
    problems.push_back("not valid JSON: " + error.errorString().toStdString() + " at " +
                       position(text, error.offset));
    return false;
  }
  if (!json.isObject()) {
    problems.push_back("expected a JSON object with the groups com1, com2, com3, com4 and master");
    return false;
  }
  Reader reader(mode, problems);
  const QJsonObject root = json.object();
  constexpr std::array<std::string_view, 2> kReference = {"product_code", "program_revision"};
  reader.checkKeys(root, "", kGroups, kReference);

  ConfigDocument doc;
  int code = 0;
  if (root.contains("product_code") && reader.number(root.value("product_code"), "product_code", code))
    doc.productCode = code;
  if (root.contains("program_revision")) {
    if (root.value("program_revision").isString())
      doc.programRevision = root.value("program_revision").toString().toStdString();
    else
      reader.problem("program_revision", "expected a text, got " + describe(root.value("program_revision")));
  }

  for (std::string_view group : kGroups) {
    const QJsonValue g = member(root, group);
    if (g.isUndefined()) continue;  // reported as missing
    const std::string prefix = std::string(group) + ".";
    if (!g.isObject()) {
      reader.problem(std::string(group), "expected an object, got " + describe(g));
      continue;
    }
    const QJsonObject obj = g.toObject();
    std::vector<std::string_view> keys;
    for (const DocField& f : kDocFields) {
      if (f.group == group) keys.push_back(f.key);
    }
    if (group == "master") keys.push_back("orders");
    reader.checkKeys(obj, prefix, keys);

    for (std::size_t i = 0; i < kDocFields.size(); ++i) {
      const DocField& f = kDocFields[i];
      if (f.group != group) continue;
      const QJsonValue v = member(obj, f.key);
      if (f.choices().empty())
        reader.number(v, f.path(), doc.values[i]);
      else
        reader.choice(v, f.path(), f.choices(), doc.values[i]);
    }
    if (group != "master" || !obj.contains("orders")) continue;
    const QJsonValue list = obj.value("orders");
    if (!list.isArray()) {
      reader.problem("master.orders", "expected an array, got " + describe(list));
      continue;
    }
    const QJsonArray array = list.toArray();
    for (qsizetype n = 0; n < array.size(); ++n) {
      const std::string path = "master.orders[" + std::to_string(n) + "]";
      if (!array.at(n).isObject()) {
        reader.problem(path, "expected an object, got " + describe(array.at(n)));
        continue;
      }
      const QJsonObject o = array.at(n).toObject();
      reader.checkKeys(o, path + ".", kOrderKeys);
      MasterOrder order;
      reader.number(member(o, "slave_address"), path + ".slave_address", order.slaveAddress);
      reader.number(member(o, "function"), path + ".function", order.function);
      reader.number(member(o, "starting_address"), path + ".starting_address", order.startingAddress);
      reader.number(member(o, "number_of_registers"), path + ".number_of_registers", order.registerCount);
      reader.number(member(o, "memory_address"), path + ".memory_address", order.memoryAddress);
      reader.choice(member(o, "memory_selection"), path + ".memory_selection", domain::MemorySelectionList,
                    order.memorySelection);
      doc.orders.push_back(order);
    }
  }
  if (problems.size() != before) return false;
  out = std::move(doc);
  return true;
}

std::vector<std::string> ConfigDocument::validate(const FieldLimits& limits) const {
  std::vector<std::string> problems;
  const int masterMode = value(reg::kMasterMode);
  for (std::size_t i = 0; i < kDocFields.size(); ++i) {
    const DocField& f = kDocFields[i];
    const ConfigField& cf = f.config();
    const int v = values[i];
    switch (cf.kind) {
      case FieldKind::Number: {
        const Limit& l = limits.entry(cf.limitEntry);
        if (!l.contains(v))
          problems.push_back(f.path() + ": " + std::to_string(v) + " is out of range " +
                             std::to_string(l.min) + ".." + std::to_string(l.max));
        break;
      }
      case FieldKind::SlaveMode:
        if (!slaveModeAllowed(masterMode, v))
          problems.push_back(f.path() + ": " + displayValue(f, v) + " is not allowed with master mode " +
                             choiceText(domain::MasterModeList, masterMode));
        break;
      case FieldKind::Choice:
        if (v < 0 || static_cast<std::size_t>(v) >= f.choices().size())
          problems.push_back(f.path() + ": " + std::to_string(v) + " is not one of " + listText(f.choices()));
        break;
      case FieldKind::Count:
        break;
    }
  }
  if (orders.size() > std::size_t(kMaxOrders))
    problems.push_back("master.orders: " + std::to_string(orders.size()) + " orders, at most " +
                       std::to_string(kMaxOrders) + " are allowed");
  for (std::size_t n = 0; n < orders.size(); ++n) {
    for (const OrderProblem& p : checkOrder(orders[n], limits)) {
      problems.push_back("master.orders[" + std::to_string(n) + "]." +
                         std::string(kOrderKeys[static_cast<std::size_t>(p.field)]) + ": " + p.text);
    }
  }
  return problems;
}

std::vector<std::string> differences(const ConfigDocument& left, const ConfigDocument& right,
                                     bool withOrders) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kDocFields.size(); ++i) {
    if (left.values[i] != right.values[i])
      lines.push_back(kDocFields[i].path() + ": " + displayValue(kDocFields[i], left.values[i]) + " -> " +
                      displayValue(kDocFields[i], right.values[i]));
  }
  if (left.orders.size() != right.orders.size())
    lines.push_back("master.orders: " + std::to_string(left.orders.size()) + " orders -> " +
                    std::to_string(right.orders.size()) + " orders");
  if (!withOrders) return lines;
  const std::size_t n = std::max(left.orders.size(), right.orders.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string path = "master.orders[" + std::to_string(i) + "]";
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
      const bool choice = k == 5;
      lines.push_back(path + "." + std::string(kOrderKeys[k]) + ": " +
                      (choice ? choiceText(domain::MemorySelectionList, pairs[k].first)
                              : std::to_string(pairs[k].first)) +
                      " -> " +
                      (choice ? choiceText(domain::MemorySelectionList, pairs[k].second)
                              : std::to_string(pairs[k].second)));
    }
  }
  return lines;
}

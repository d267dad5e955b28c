#include "model/configuration_json.h"

#include <climits>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

namespace {

using nlohmann::json;

constexpr std::array<std::string_view, 5> kGroups = {"com1", "com2", "com3", "com4", "master"};
constexpr std::array<std::string_view, 2> kReference = {"product_code", "program_revision"};

// A text from the file, quoted for a message: short, and with every control
// character escaped, so that a file cannot flood a box or drive a terminal.
std::string quoted(const std::string& s) {
  return "\"" + shownText(s) + "\"";
}

// Deeper than any configuration (root, group, orders, order record): such a
// file is refused at once, before its nesting costs memory or time.
constexpr std::size_t kMaxDepth = 8;
struct TooDeep {};

std::string describe(const json& v) {
  switch (v.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::boolean:
      return v.get<bool>() ? "true" : "false";
    case json::value_t::string:
      return quoted(v.get<std::string>());
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    default:
      return v.dump();  // numbers as written, to the last digit
  }
}

// Finds keys given twice in one object while the text is parsed, naming the
// object by its path.
class DuplicateKeys {
 public:
  explicit DuplicateKeys(std::vector<std::string>& problems) : m_problems(problems) {}

  bool operator()(int, json::parse_event_t event, json& parsed) {
    using E = json::parse_event_t;
    switch (event) {
      case E::object_start:
      case E::array_start:
        if (m_frames.size() >= kMaxDepth) throw TooDeep{};
        countElement();
        m_frames.push_back({event == E::array_start, -1, {}, {}, path()});
        break;
      case E::object_end:
      case E::array_end:
        m_frames.pop_back();
        break;
      case E::key: {
        Frame& f = m_frames.back();
        const std::string& key = parsed.get_ref<const std::string&>();
        f.key = shownText(key);
        if (!f.keys.insert(key).second)
          m_problems.push_back(f.path + (f.path.empty() ? "" : ".") + f.key + ": given twice");
        break;
      }
      case E::value:
        countElement();
        break;
    }
    return true;
  }

 private:
  struct Frame {
    bool array;
    int index;
    std::set<std::string> keys;
    std::string key;
    std::string path;  // of this object or array
  };
  void countElement() {
    if (!m_frames.empty() && m_frames.back().array) ++m_frames.back().index;
  }
  // Path of the element about to start.
  std::string path() const {
    if (m_frames.empty()) return {};
    const Frame& f = m_frames.back();
    if (f.array) return f.path + "[" + std::to_string(f.index) + "]";
    return f.path + (f.path.empty() ? "" : ".") + f.key;
  }

  std::vector<std::string>& m_problems;
  std::vector<Frame> m_frames;
};

// Collects the problems of one read and takes typed values.
class Reader {
 public:
  explicit Reader(std::vector<std::string>& problems) : m_problems(problems) {}

  void problem(const std::string& path, const std::string& text) { m_problems.push_back(path + ": " + text); }

  // Reports every missing required key and every unknown key.
  void checkKeys(const json& obj, const std::string& prefix, std::span<const std::string_view> required,
                 std::span<const std::string_view> optional = {}) {
    for (std::string_view k : required) {
      if (!obj.contains(std::string(k))) problem(prefix + std::string(k), "missing");
    }
    for (auto it = obj.begin(); it != obj.end(); ++it) {
      bool known = false;
      for (std::string_view r : required) known = known || r == it.key();
      for (std::string_view r : optional) known = known || r == it.key();
      if (!known) problem(prefix + shownText(it.key()), "unknown field");
    }
  }

  // A whole number within lo..hi. A number written with a fraction or an
  // exponent is taken when its value is whole.
  bool number(const json& obj, std::string_view key, const std::string& path, long long lo, long long hi,
              int& out) {
    const auto it = obj.find(std::string(key));
    if (it == obj.end()) return false;  // reported as missing
    return numberValue(*it, path, lo, hi, out);
  }

  bool numberValue(const json& v, const std::string& path, long long lo, long long hi, int& out) {
    long long n = 0;
    if (v.is_number_integer()) {
      if (v.is_number_unsigned() &&
          v.get<unsigned long long>() > static_cast<unsigned long long>(LLONG_MAX)) {
        problem(path, v.dump() + " is out of range " + range(lo, hi));
        return false;
      }
      n = v.get<long long>();
    } else if (v.is_number_float()) {
      const double d = v.get<double>();
      if (!std::isfinite(d) || d != std::floor(d)) {
        problem(path, "expected a whole number, got " + v.dump() + ", which is not whole");
        return false;
      }
      if (d < double(lo) || d > double(hi)) {
        problem(path, v.dump() + " is out of range " + range(lo, hi));
        return false;
      }
      n = static_cast<long long>(d);
    } else {
      problem(path, "expected a whole number, got " + describe(v));
      return false;
    }
    if (n < lo || n > hi) {
      problem(path, std::to_string(n) + " is out of range " + range(lo, hi));
      return false;
    }
    out = static_cast<int>(n);
    return true;
  }

  // One of the list's texts, or a number that is no position of the list
  // (how a value the module holds outside its list is written).
  bool choice(const json& obj, std::string_view key, const std::string& path,
              std::span<const std::string_view> list, int& out) {
    const auto it = obj.find(std::string(key));
    if (it == obj.end()) return false;
    const json& v = *it;
    if (v.is_string()) {
      const std::string s = v.get<std::string>();
      for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == s) {
          out = static_cast<int>(i);
          return true;
        }
      }
      problem(path, quoted(s) + " is not one of " + listText(list));
      return false;
    }
    if (v.is_number()) {
      int n = 0;
      if (!numberValue(v, path, 0, 0xFFFF, n)) return false;
      if (n >= static_cast<int>(list.size())) {
        out = n;
        return true;
      }
    }
    problem(path, "expected one of " + listText(list) + ", got " + describe(v));
    return false;
  }

 private:
  static std::string range(long long lo, long long hi) {
    return std::to_string(lo) + ".." + std::to_string(hi);
  }
  std::vector<std::string>& m_problems;
};

void readOrder(Reader& reader, const json& o, const std::string& path, MasterOrder& order) {
  std::vector<std::string_view> keys;
  for (const OrderFieldInfo& f : kOrderFields) keys.push_back(f.key);
  reader.checkKeys(o, path + ".", keys);
  const std::string p = path + ".";
  for (const OrderFieldInfo& f : kOrderFields) {
    if (f.kind == OrderValue::Selection)
      reader.choice(o, f.key, p + std::string(f.key), f.choices, order.*f.member);
    else
      reader.number(o, f.key, p + std::string(f.key), f.lo, f.hi, order.*f.member);
  }
}

void readGroup(Reader& reader, const json& obj, std::string_view group, Configuration& config) {
  std::vector<std::string_view> keys;
  for (const ConfigField& k : kFileFields) {
    if (k.group == group) keys.push_back(k.key);
  }
  if (group == "master") keys.push_back("orders");
  reader.checkKeys(obj, std::string(group) + ".", keys);

  for (std::size_t i = 0; i < kFileFields.size(); ++i) {
    const ConfigField& k = kFileFields[i];
    if (k.group != group) continue;
    if (k.choices.empty())
      reader.number(obj, k.key, k.path(), 0, 0xFFFF, config.values[i]);
    else
      reader.choice(obj, k.key, k.path(), k.choices, config.values[i]);
  }
  if (group != "master" || !obj.contains("orders")) return;
  const json& list = obj.at("orders");
  if (!list.is_array()) {
    reader.problem("master.orders", "expected an array, got " + describe(list));
    return;
  }
  if (list.size() > std::size_t(kMaxOrders)) {
    reader.problem("master.orders", tooManyOrders(list.size()));
    return;
  }
  for (std::size_t n = 0; n < list.size(); ++n) {
    const std::string path = "master.orders[" + std::to_string(n) + "]";
    if (!list[n].is_object()) {
      reader.problem(path, "expected an object, got " + describe(list[n]));
      continue;
    }
    MasterOrder order;
    readOrder(reader, list[n], path, order);
    config.orders.push_back(order);
  }
}

}  // namespace

namespace config_json {

std::string write(const Configuration& config) {
  std::string out = "{\n";
  if (config.productCode) out += "  \"product_code\": " + std::to_string(*config.productCode) + ",\n";
  if (config.programRevision) out += "  \"program_revision\": " + jsonQuoted(*config.programRevision) + ",\n";
  for (std::string_view group : kGroups) {
    out += "  " + jsonQuoted(group) + ": {";
    bool first = true;
    for (std::size_t i = 0; i < kFileFields.size(); ++i) {
      if (kFileFields[i].group != group) continue;
      out += first ? "\n" : ",\n";
      first = false;
      out += "    " + jsonQuoted(kFileFields[i].key) + ": " + displayValue(kFileFields[i], config.values[i]);
    }
    if (group == "master") {
      out += ",\n    \"orders\": [";
      for (std::size_t i = 0; i < config.orders.size(); ++i)
        out += (i ? ",\n      " : "\n      ") + orderJson(config.orders[i]);
      out += config.orders.empty() ? "]" : "\n    ]";
    }
    out += group == "master" ? "\n  }\n" : "\n  },\n";
  }
  return out + "}\n";
}

bool read(const std::string& text, Configuration& out, std::vector<std::string>& problems) {
  const std::size_t before = problems.size();
  json root;
  try {
    root = json::parse(text, DuplicateKeys(problems));
  } catch (const TooDeep&) {
    problems.resize(before);
    problems.push_back("nested deeper than " + std::to_string(kMaxDepth) +
                       " levels: not a configuration file");
    return false;
  } catch (const json::exception& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 6: ..."
    std::string what = e.what();
    const std::size_t close = what.find("] ");
    if (what.rfind("[json.exception", 0) == 0 && close != std::string::npos) what.erase(0, close + 2);
    problems.resize(before);
    // The text last read can be as long as the file.
    problems.push_back("not valid JSON: " + shownText(what, 200));
    return false;
  }
  if (!root.is_object()) {
    problems.push_back("expected an object with the groups com1, com2, com3, com4 and master, got " +
                       describe(root));
    return false;
  }
  Reader reader(problems);
  reader.checkKeys(root, "", kGroups, kReference);

  Configuration config;
  int code = 0;
  if (reader.number(root, "product_code", "product_code", INT32_MIN, INT32_MAX, code))
    config.productCode = code;
  if (root.contains("program_revision")) {
    const json& v = root.at("program_revision");
    if (v.is_string())
      config.programRevision = v.get<std::string>();
    else
      reader.problem("program_revision", "expected a text, got " + describe(v));
  }
  for (std::string_view group : kGroups) {
    const auto g = root.find(std::string(group));
    if (g == root.end()) continue;  // reported as missing
    if (!g->is_object()) {
      reader.problem(std::string(group), "expected an object, got " + describe(*g));
      continue;
    }
    readGroup(reader, *g, group, config);
  }
  if (problems.size() != before) {
    // A file of thousands of unknown keys gets a readable report, not one
    // line for each.
    constexpr std::size_t kMaxProblems = 20;
    if (problems.size() - before > kMaxProblems) {
      const std::size_t more = problems.size() - before - kMaxProblems;
      problems.resize(before + kMaxProblems);
      problems.push_back("... and " + std::to_string(more) + " more problems");
    }
    return false;
  }
  out = std::move(config);
  return true;
}

}  // namespace config_json

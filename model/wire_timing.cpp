#include "model/wire_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/configuration.h"
#include "model/field_domains.h"

namespace wire {

namespace {

std::string lineText(const MasterTiming& t) {
  return std::to_string(*t.baud) + " baud, " +
         std::string(domain::ParityList[static_cast<std::size_t>(t.line.formatIndex)]);
}

std::string orderText(const OrderTiming& o) {
  const int n = o.order.registerCount;
  return "order " + std::to_string(o.number) + " (slave " + std::to_string(o.order.slaveAddress) +
         ", function " + std::to_string(o.order.function) + ", " + std::to_string(n) +
         (n == 1 ? " register" : " registers") + "): the answer takes at least " + formatDuration(o.answerMs);
}

std::string headline(const MasterTiming& t, const char* what) {
  return std::string(what) + " within the master timeout of " + std::to_string(t.line.timeoutMs) + " ms at " +
         lineText(t) + " (one character " + formatDuration(t.characterMs) + "):";
}

constexpr const char* kLowerBound =
    "These times are lower bounds worked out from the settings alone; the slave's own turnaround comes on "
    "top.";

}  // namespace

std::optional<int> baudRate(int baudIndex) {
  if (baudIndex < 0 || static_cast<std::size_t>(baudIndex) >= domain::BaudRateList.size())
    return std::nullopt;
  return std::atoi(std::string(domain::BaudRateList[static_cast<std::size_t>(baudIndex)]).c_str());
}

std::optional<int> characterBits(int formatIndex) {
  if (formatIndex < 0 || static_cast<std::size_t>(formatIndex) >= domain::ParityList.size())
    return std::nullopt;
  const std::string_view f = domain::ParityList[static_cast<std::size_t>(formatIndex)];
  // "8E1": data bits, parity letter, stop bits.
  return 1 + (f[0] - '0') + (f[1] == 'N' ? 0 : 1) + (f[2] - '0');
}

std::optional<FrameSizes> frameSizes(int function, int count) {
  const int bitBytes = (count + 7) / 8;
  switch (function) {
    case 1:
    case 2:
      return FrameSizes{8, 5 + bitBytes};
    case 3:
    case 4:
      return FrameSizes{8, 5 + 2 * count};
    case 5:
    case 6:
      return FrameSizes{8, 8};
    case 15:
      return FrameSizes{9 + bitBytes, 8};
    case 16:
      return FrameSizes{9 + 2 * count, 8};
    default:
      return std::nullopt;
  }
}

MasterLine masterLineOf(const Configuration& config) {
  MasterLine line;
  line.baudIndex = config.value(reg::kCom4Baud);
  line.formatIndex = config.value(reg::kCom4Parity);
  line.timeoutMs = config.value(reg::kMasterTimeout);
  line.pooltimeMs = config.value(reg::kMasterPoolTime);
  line.masterMode = config.value(reg::kMasterMode);
  return line;
}

std::vector<OrderTiming> MasterTiming::tooSlow() const {
  std::vector<OrderTiming> out;
  for (const OrderTiming& o : orders)
    if (o.cannotFit) out.push_back(o);
  return out;
}

MasterTiming masterTiming(const MasterLine& line, const std::vector<MasterOrder>& orders) {
  MasterTiming t;
  t.line = line;
  t.baud = baudRate(line.baudIndex);
  t.bits = characterBits(line.formatIndex);
  if (t.lineKnown()) {
    t.characterMs = 1000.0 * *t.bits / *t.baud;
    t.silenceMs = kSilenceChars * t.characterMs;
  }
  for (std::size_t i = 0; i < orders.size(); ++i) {
    OrderTiming o;
    o.number = static_cast<int>(i) + 1;
    o.order = orders[i];
    o.sizes = frameSizes(o.order.function, o.order.registerCount);
    if (!o.sizes) {
      ++t.unknownFunctions;
      t.orders.push_back(o);
      continue;
    }
    o.answerMs = o.sizes->answer * t.characterMs + t.silenceMs;
    o.transactionMs = (o.sizes->request + o.sizes->answer) * t.characterMs + 2 * t.silenceMs;
    if (t.checked()) {
      o.marginMs = line.timeoutMs - o.answerMs;
      o.cannotFit = *o.marginMs < 0;
    }
    t.cycleMs += o.transactionMs;
    t.orders.push_back(o);
  }
  return t;
}

MasterTiming masterTiming(const Configuration& config) {
  return masterTiming(masterLineOf(config), config.orders);
}

std::string formatDuration(double ms) {
  char buf[64];
  const double a = std::fabs(ms);
  const char* sign = ms < 0 ? "-" : "";
  if (a < 10.0) {
    std::snprintf(buf, sizeof buf, "%s%.2f ms", sign, a);
  } else if (a < 1000.0) {
    std::snprintf(buf, sizeof buf, "%s%.1f ms", sign, a);
  } else if (a < 60000.0) {
    std::snprintf(buf, sizeof buf, "%s%.2f s", sign, a / 1000.0);
  } else {
    const long long tenths = std::llround(a / 100.0);
    std::snprintf(buf, sizeof buf, "%s%lld min %.1f s", sign, tenths / 600, double(tenths % 600) / 10.0);
  }
  return buf;
}

std::vector<std::string> timingWarning(const MasterTiming& timing, std::size_t maxOrders) {
  const std::vector<OrderTiming> slow = timing.tooSlow();
  if (slow.empty()) return {};
  std::vector<std::string> lines = {headline(timing, "These master orders cannot be answered")};
  for (std::size_t i = 0; i < slow.size() && i < maxOrders; ++i) lines.push_back(orderText(slow[i]));
  if (slow.size() > maxOrders)
    lines.push_back("... and " + std::to_string(slow.size() - maxOrders) + " more.");
  lines.push_back(kLowerBound);
  return lines;
}

std::string warningText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::vector<std::string> orderTimingWarning(const MasterLine& line, const MasterOrder& order, int number) {
  const MasterTiming t = masterTiming(line, {order});
  if (t.tooSlow().empty()) return {};
  OrderTiming o = t.orders.front();
  o.number = number;
  return {headline(t, "This master order cannot be answered"), orderText(o), kLowerBound};
}

TimingTable timingTable(const MasterTiming& t) {
  TimingTable table;
  table.header = {"No.",         "Slave",      "Fun",         "Count",
                  "Request [B]", "Answer [B]", "Answer min.", "Transaction min.",
                  "Margin max.", "Fits"};
  for (const OrderTiming& o : t.orders) {
    std::vector<std::string> row = {std::to_string(o.number), std::to_string(o.order.slaveAddress),
                                    std::to_string(o.order.function), std::to_string(o.order.registerCount)};
    if (o.sizes) {
      row.push_back(std::to_string(o.sizes->request));
      row.push_back(std::to_string(o.sizes->answer));
    } else {
      row.insert(row.end(), 2, "?");
    }
    const bool timed = o.sizes && t.lineKnown();
    row.push_back(timed ? formatDuration(o.answerMs) : "?");
    row.push_back(timed ? formatDuration(o.transactionMs) : "?");
    row.push_back(o.marginMs ? formatDuration(*o.marginMs) : "-");
    row.push_back(!o.sizes ? "unknown function" : o.cannotFit ? "CANNOT FIT" : o.marginMs ? "yes" : "-");
    table.rows.push_back(std::move(row));
    table.rowCannotFit.push_back(o.cannotFit);
  }

  std::vector<std::string>& n = table.notes;
  if (!t.lineKnown()) {
    n.push_back("COM4's baud rate or character format is not set: no times can be worked out.");
    return table;
  }
  n.push_back("Character time: " + formatDuration(t.characterMs) + " (" + lineText(t) + ", " +
              std::to_string(*t.bits) + " bits a character); the silence after each frame, 3.5 characters: " +
              formatDuration(t.silenceMs) + ".");
  const std::size_t cycled = t.orders.size() - std::size_t(t.unknownFunctions);
  n.push_back("Cycle of " + std::to_string(cycled) + (cycled == 1 ? " order" : " orders") + ": at least " +
              formatDuration(t.cycleMs) + " on the wire.");
  if (t.unknownFunctions > 0)
    n.push_back(
        std::to_string(t.unknownFunctions) +
        " order(s) with a function other than 1, 2, 3, 4, 5, 6, 15 and 16 are left out of the cycle.");
  n.push_back("Master pooltime: " + std::to_string(t.line.pooltimeMs) +
              " ms, shown apart and not added in: what the module does with it is not known here.");
  if (t.catchMode())
    n.push_back("Master mode \"Catch mode\": the module sends no orders, so nothing is checked.");
  else if (t.line.timeoutMs == 0)
    n.push_back("Master timeout 0: orders are not checked, as what the module does with 0 is not known.");
  else
    n.push_back("Master timeout: " + std::to_string(t.line.timeoutMs) +
                " ms. An order cannot fit when its answer alone, with one silence, takes longer; the margin "
                "is the timeout minus that answer time.");
  n.push_back(
      "Every time is a lower bound (every margin an upper bound): the slaves' own turnaround is not known "
      "and "
      "comes on top.");
  return table;
}

std::string timingTableText(const TimingTable& table) {
  std::vector<std::size_t> width(table.header.size(), 0);
  const auto widen = [&](const std::vector<std::string>& row) {
    for (std::size_t c = 0; c < row.size() && c < width.size(); ++c)
      width[c] = std::max(width[c], row[c].size());
  };
  widen(table.header);
  for (const auto& row : table.rows) widen(row);
  std::string out;
  const auto line = [&](const std::vector<std::string>& row) {
    std::string l;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c) l += "  ";
      // Numbers to the right, the last column's words to the left.
      const std::string pad(width[c] - row[c].size(), ' ');
      l += c + 1 == row.size() ? row[c] + pad : pad + row[c];
    }
    while (!l.empty() && l.back() == ' ') l.pop_back();
    out += l + '\n';
  };
  line(table.header);
  for (const auto& row : table.rows) line(row);
  if (!table.notes.empty()) out += '\n';
  for (const std::string& note : table.notes) out += note + '\n';
  return out;
}

}  // namespace wire

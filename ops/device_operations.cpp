#include "ops/device_operations.h"

#include <algorithm>
#include <string>

#include "link/modbus_master.h"
#include "link/user_prompt.h"
#include "model/register_map.h"
#include "ops/config_form.h"
#include "ops/form_transfer.h"

namespace {

// Both the refused count and a failed order read.
constexpr const Message& kOrderListReadError = messageOf(56);

constexpr bool kPurge = true;

using Outcome = OperationResult::Outcome;

OperationResult ended(Outcome outcome) {
  OperationResult r;
  r.outcome = outcome;
  return r;
}

// Runs the transactions of one operation: reports each step to the
// observer, asks it between transactions whether to stop, and on a failure
// shows the operation's own message after the transaction's.
class Steps {
 public:
  Steps(DeviceLink& link, int total) : m_link(link), m_total(total) {}

  void setTotal(int total) { m_total = total; }
  bool stopRequested() const { return m_stopped; }

  // False when the transaction failed (its messages shown) or the observer
  // asked to stop before it (nothing shown).
  bool read(const std::string& step, RegisterBlock b, const Message& failMessage) {
    return run(step, b, false, failMessage);
  }
  bool write(const std::string& step, RegisterBlock b, const Message& failMessage) {
    return run(step, b, true, failMessage);
  }

  void error(const Message& m, const MessageOptions& options = {}) { tell(m_link.prompt, m, options); }

 private:
  bool run(const std::string& step, RegisterBlock b, bool write, const Message& failMessage) {
    ops::OperationObserver* o = m_link.observer;
    if (o && m_done > 0 && o->stopRequested()) {
      m_stopped = true;
      return false;
    }
    if (o) o->progress(step, m_done, m_total);
    const bool ok = write ? m_link.modbus.write_multiple_registers(b.start, b.count, kPurge)
                          : m_link.modbus.read_holding_registers(b.start, b.count, kPurge);
    ++m_done;
    if (!ok) error(failMessage);
    return ok;
  }

  DeviceLink& m_link;
  int m_total;
  int m_done = 0;
  bool m_stopped = false;
};

Outcome failedOrStopped(const Steps& steps) {
  return steps.stopRequested() ? Outcome::Stopped : Outcome::Failed;
}

// The question about a module whose product code is not the expected one.
bool foreignDeviceAccepted(UserPrompt& prompt, const RegisterImage& image, const Message& question) {
  const std::int32_t code = productCode(image);
  if (code == EXPECTED_PRODUCT_CODE) return true;
  return tell(prompt, question, {.detail = "Product code: " + std::to_string(code)}) == MsgAnswer::Yes;
}

RegisterBlock orderBlock(int i) {
  return RegisterBlock{static_cast<std::uint16_t>(orderRecordStart(i)),
                       static_cast<std::uint16_t>(reg::kOrderWords)};
}

std::string ofOrders(int i, int count) {
  return " " + std::to_string(i + 1) + " / " + std::to_string(count);
}

}  // namespace

std::string OperationResult::writtenText() const {
  std::string out;
  int firstOrder = -1, lastOrder = -1;
  const auto flushOrders = [&] {
    if (firstOrder < 0) return;
    out += (out.empty() ? "" : ", ") +
           std::string(firstOrder == lastOrder ? "order record " : "order records ") +
           std::to_string(firstOrder + 1) +
           (firstOrder == lastOrder ? "" : " to " + std::to_string(lastOrder + 1));
    firstOrder = lastOrder = -1;
  };
  for (const RegisterBlock& b : written) {
    if (b.start >= reg::kFirstOrder) {
      const int i = (b.start - reg::kFirstOrder) / reg::kOrderWords;
      if (firstOrder < 0) firstOrder = i;
      lastOrder = i;
      continue;
    }
    flushOrders();
    out += (out.empty() ? "" : ", ") + std::string("registers ") + std::to_string(b.start) + " to " +
           std::to_string(b.start + b.count - 1);
  }
  flushOrders();
  return out.empty() ? "nothing" : out;
}

OperationResult queryFirmware(DeviceLink& link) {
  Steps steps(link, 1);
  if (!steps.read("Reading firmware version", block::kFirmware, messageOf(66)))
    return ended(failedOrStopped(steps));
  return ended(Outcome::Done);
}

std::string firmwareReport(const RegisterImage& image) {
  return "Product code: " + std::to_string(productCode(image)) +
         "\nProgram revision: " + programRevision(image);
}

OperationResult readConfiguration(DeviceLink& link, ReadTarget& target, ReadEnd end) {
  RegisterImage& image = link.modbus.image();
  Steps steps(link, 2);
  image.ClearRegisterImage();
  if (!steps.read("Reading parameters", block::kReadPorts, messageOf(53)))
    return ended(failedOrStopped(steps));
  if (!steps.read("Reading parameters", block::kSlaveMaster, messageOf(54)))
    return ended(failedOrStopped(steps));
  if (!foreignDeviceAccepted(link.prompt, image, messageOf(55))) return ended(Outcome::Declined);

  target.fieldsRead(image);
  // A count above the list's capacity is refused before any transfer:
  // reading it would address registers beyond the 150 records (and beyond
  // the image from order 195 on), and capping would drop orders silently
  // and write back a different count.
  const int count = image.get(reg::kMasterOrderCount);
  if (count > kMaxOrders) {
    steps.error(kOrderListReadError,
                {.detail = "The module reports " + std::to_string(count) + " master orders; at most " +
                           std::to_string(kMaxOrders) + " are possible."});
    return ended(Outcome::Failed);
  }
  steps.setTotal(2 + count);
  for (int i = 0; i < count; ++i) {
    if (!steps.read("Reading master orders" + ofOrders(i, count), orderBlock(i), kOrderListReadError))
      return ended(failedOrStopped(steps));
  }
  target.ordersRead(image, count);
  if (end == ReadEnd::Quiet) return ended(Outcome::Done);
  tell(link.prompt, messageOf(57));
  return ended(Outcome::Done);
}

std::vector<PlannedWrite> writePlan(const RegisterImage& image) {
  std::vector<PlannedWrite> plan = {{block::kWritePorts, &messageOf(61)},
                                    {block::kSlaveMaster, &messageOf(62)}};
  if (image.get(reg::kMasterMode) == 0) {
    const int count = ordersWithin(image.get(reg::kMasterOrderCount));
    for (int i = 0; i < count; ++i) plan.push_back({orderBlock(i), &messageOf(63)});
  }
  return plan;
}

OperationResult writeConfiguration(DeviceLink& link, WriteSource& source, TimingQuestion timing) {
  RegisterImage& image = link.modbus.image();
  Steps steps(link, 3);
  image.ClearRegisterImage();
  if (!steps.read("Reading the product code", block::kIdentity, messageOf(58)))
    return ended(failedOrStopped(steps));
  if (!foreignDeviceAccepted(link.prompt, image, messageOf(59))) return ended(Outcome::Declined);
  if (!source.fill(image)) {
    steps.error(messageOf(60));
    return ended(Outcome::Failed);
  }
  // Asked while the indicators still show the check; No writes nothing.
  if (timing == TimingQuestion::Ask && !timingAccepted(link.prompt, image)) return ended(Outcome::Declined);
  source.accepted();
  if (!source.confirmWrite(image)) return ended(Outcome::Declined);

  const std::vector<PlannedWrite> plan = writePlan(image);
  const int orders = static_cast<int>(plan.size()) - 2;
  steps.setTotal(1 + static_cast<int>(plan.size()));
  OperationResult result;
  if (link.observer && link.observer->stopBeforeWriting()) {
    result.outcome = Outcome::Stopped;  // nothing written
    return result;
  }
  for (std::size_t n = 0; n < plan.size(); ++n) {
    const int order = static_cast<int>(n) - 2;
    const std::string step =
        order < 0 ? "Writing parameters" : "Writing master orders" + ofOrders(order, orders);
    if (!steps.write(step, plan[n].block, *plan[n].failMessage)) {
      result.outcome = failedOrStopped(steps);
      return result;
    }
    result.written.push_back(plan[n].block);
  }
  tell(link.prompt, messageOf(67));
  result.outcome = Outcome::Done;
  return result;
}

OperationResult ReadFirmwareVersion(DeviceLink& link) {
  OperationResult r = queryFirmware(link);
  if (r) link.prompt.message(firmwareReport(link.modbus.image()), MsgKind::Information);
  return r;
}

OperationResult ReadParameters(DeviceLink& link, ConfigForm& form, const FieldLimits& limits) {
  FormTransfer target(form, limits);
  return readConfiguration(link, target);
}

OperationResult WriteParameters(DeviceLink& link, ConfigForm& form, const FieldLimits& limits) {
  FormTransfer source(form, limits);
  return writeConfiguration(link, source);
}

OperationResult AutoSelect(DeviceLink& link, ConfigForm& form, const FieldLimits& limits) {
  Steps steps(link, 1);
  if (!steps.read("Reading the product code", block::kIdentity, messageOf(64)))
    return ended(failedOrStopped(steps));
  const std::int32_t code = productCode(link.modbus.image());
  if (code != EXPECTED_PRODUCT_CODE) {
    steps.error(messageOf(65), {.more = "\nID=" + std::to_string(code)});
    return ended(Outcome::Failed);
  }
  form.OnSelectDevice();
  return ReadParameters(link, form, limits);
}

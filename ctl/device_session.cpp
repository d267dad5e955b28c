#include "ctl/device_session.h"

#include "link/frame_trace.h"
#include "link/posix_serial_device.h"
#include "link/user_prompt.h"

namespace {
constexpr bool kPurge = true;
constexpr int kPortNumber = 1;  // the one port of a run, mapped to its path
}  // namespace

std::vector<PlannedWrite> writePlan(const ConfigDocument& doc) {
  RegisterImage image;
  doc.toImage(image);
  const auto take = [&](std::uint16_t start, std::uint16_t count, int message) {
    PlannedWrite w{start, {}, message};
    for (std::uint16_t i = 0; i < count; ++i) w.values.push_back(image.get(std::size_t(start) + i));
    return w;
  };
  std::vector<PlannedWrite> plan;
  plan.push_back(take(block::kWritePorts.start, block::kWritePorts.count, 61));
  plan.push_back(take(block::kSlaveMaster.start, block::kSlaveMaster.count, 62));
  if (image.get(reg::kMasterMode) == 0) {
    const int count = std::min<int>(image.get(reg::kMasterOrderCount), kMaxOrders);
    for (int i = 0; i < count; ++i)
      plan.push_back(take(std::uint16_t(orderRecordStart(i)), reg::kOrderWords, 63));
  }
  return plan;
}

DeviceSession::DeviceSession(UserPrompt& prompt, const std::string& path, FrameTrace* trace)
    : m_prompt(prompt),
      m_port(
          prompt, [] { return std::make_unique<PosixSerialDevice>(); }, m_ports),
      m_modbus(m_image, prompt) {
  m_ports.setPath(kPortNumber, path);
  m_port.setPorts(m_ports);
  m_modbus.setPort(&m_port);
  m_modbus.setTrace(trace);
}

bool DeviceSession::open() {
  m_port.open_com_port(kPortNumber);
  return m_port.isOpen();
}

bool DeviceSession::error(const std::string& text, const std::string& detail) {
  m_prompt.message(text, MsgKind::Error, false, detail);
  return false;
}

bool DeviceSession::foreignDeviceAccepted(int number) {
  if (productCode(m_image) == EXPECTED_PRODUCT_CODE) return true;
  const std::string text = "message " + std::to_string(number) +
                           "\n\nConnected device is different than attended.\nDo you want to continue?";
  return m_prompt.message(text, MsgKind::Question, false,
                          "Product code: " + std::to_string(productCode(m_image))) == MsgAnswer::Yes;
}

bool DeviceSession::readFirmware(std::int32_t& code, std::string& revision) {
  if (!m_modbus.read_holding_registers(block::kFirmware.start, block::kFirmware.count, kPurge))
    return error("message 66\n\nFailed to read Firmware Version.");
  code = productCode(m_image);
  revision = programRevision(m_image);
  return true;
}

bool DeviceSession::readConfiguration(ConfigDocument& out, const Progress& progress) {
  m_image.ClearRegisterImage();
  if (!m_modbus.read_holding_registers(block::kReadPorts.start, block::kReadPorts.count, kPurge))
    return error("message 53\n\nRead from device failed.");
  if (!m_modbus.read_holding_registers(block::kSlaveMaster.start, block::kSlaveMaster.count, kPurge))
    return error("message 54\n\nRead from device failed.");
  if (!foreignDeviceAccepted(55)) return false;

  // A count beyond the list's capacity is refused before any transfer: its
  // records would lie beyond the order area, and a capped read would be
  // written back as a different configuration.
  const int count = m_image.get(reg::kMasterOrderCount);
  if (count > kMaxOrders)
    return error("message 56\n\nMaster order list read error.",
                 "The module reports " + std::to_string(count) + " master orders; at most " +
                     std::to_string(kMaxOrders) + " are possible.");
  for (int i = 0; i < count; ++i) {
    if (!m_modbus.read_holding_registers(std::uint16_t(orderRecordStart(i)), reg::kOrderWords, kPurge))
      return error("message 56\n\nMaster order list read error.");
    if (progress) progress(i + 1, count);
  }
  out = ConfigDocument::fromImage(m_image, count);
  return true;
}

bool DeviceSession::writeConfiguration(const ConfigDocument& doc, const Progress& progress) {
  m_image.ClearRegisterImage();
  if (!m_modbus.read_holding_registers(block::kIdentity.start, block::kIdentity.count, kPurge))
    return error("message 58\n\nWrite to device failed.");
  if (!foreignDeviceAccepted(59)) return false;

  const std::vector<PlannedWrite> plan = writePlan(doc);
  for (std::size_t n = 0; n < plan.size(); ++n) {
    const PlannedWrite& w = plan[n];
    for (std::size_t i = 0; i < w.values.size(); ++i) m_image.set(w.start + i, w.values[i]);
    if (!m_modbus.write_multiple_registers(w.start, std::uint16_t(w.values.size()), kPurge))
      return error("message " + std::to_string(w.failMessage) + "\n\nWrite to device failed.");
    if (progress) progress(int(n) + 1, int(plan.size()));
  }
  m_prompt.message("message 67\n\nWrite parameters to device OK.", MsgKind::Information);
  return true;
}

#include "ops/device_operations.h"

#include <algorithm>
#include <optional>
#include <string>

#include "link/modbus_master.h"
#include "link/user_prompt.h"
#include "model/config_fields.h"
#include "model/control_ids.h"
#include "model/register_map.h"
#include "ops/config_form.h"

namespace {

constexpr bool kPurge = true;

bool readBlock(ModbusMaster& modbus, RegisterBlock b) {
  return modbus.read_holding_registers(b.start, b.count, kPurge);
}

bool writeBlock(ModbusMaster& modbus, RegisterBlock b) {
  return modbus.write_multiple_registers(b.start, b.count, kPurge);
}

void error(UserPrompt& prompt, const std::string& text) { prompt.message(text, MsgKind::Error); }

bool askContinueWithForeignDevice(UserPrompt& prompt, int number) {
  const std::string text = "message " + std::to_string(number) +
                           "\n\nConnected device is different than attended.\nDo you want to continue?";
  return prompt.message(text, MsgKind::Question) == MsgAnswer::Yes;
}

// Moves registers into the controls of the table, in table order; the order
// count is left to the caller, which fills it after the order group.
void fillFields(ConfigForm& form, const RegisterImage& image) {
  for (const ConfigField& f : kConfigFields) {
    const int value = image.get(f.reg);
    switch (f.kind) {
      case FieldKind::Choice:
      case FieldKind::SlaveMode:
        // A value that is no position of the list leaves no selection.
        form.setComboIndex(f.controlId, value < choiceListSize(f.controlId) ? value : -1);
        break;
      case FieldKind::Number:
        form.setEditText(f.controlId, std::to_string(value));
        break;
      case FieldKind::Count:
        break;
    }
  }
}

// Reads the order records one transaction each. A count above the list's
// capacity is refused before any transfer: reading it would address
// registers beyond the 150 records (and beyond the image from order 195 on),
// and capping would drop orders silently and write back a different count.
bool readOrders(ModbusMaster& modbus, int count) {
  if (count > kMaxOrders) return false;
  for (int i = 0; i < count; ++i) {
    if (!modbus.read_holding_registers(static_cast<std::uint16_t>(orderRecordStart(i)), reg::kOrderWords, kPurge))
      return false;
  }
  return true;
}

void rebuildOrderList(ConfigForm& form, const RegisterImage& image, int count) {
  form.deleteAllOrders();
  for (int i = 0; i < count; ++i) {
    const MasterOrder o = MasterOrder::unpack(image, i);
    form.insertOrder(i, std::to_string(i + 1));
    form.setOrderText(i, 1, std::to_string(o.slaveAddress));
    form.setOrderText(i, 2, std::to_string(o.function));
    form.setOrderText(i, 3, std::to_string(o.startingAddress));
    form.setOrderText(i, 4, std::to_string(o.registerCount));
    form.setOrderText(i, 5, std::to_string(o.memoryAddress));
    form.setOrderData(i, o.memorySelection);
    form.setOrderText(i, 6, domain::memorySelectionText(form.orderData(i)));
  }
}

// Checks one field, marks its indicator and on a pass stores the value.
// Returns whether the field passed.
bool checkField(const ConfigField& f, ConfigForm& form, const FieldLimits& limits, int masterMode,
                RegisterImage& image) {
  bool pass = false;
  int value = 0;
  switch (f.kind) {
    case FieldKind::Choice:
      value = form.comboIndex(f.controlId);
      pass = value >= 0;
      break;
    case FieldKind::SlaveMode:
      value = form.comboIndex(f.controlId);
      pass = slaveModeAllowed(masterMode, value);
      break;
    case FieldKind::Number: {
      const std::string text = form.editText(f.controlId);
      value = dialogInt(text);
      pass = !text.empty() && limits.entry(f.limitEntry).contains(value);
      break;
    }
    case FieldKind::Count: {
      // The count written, and with it the number of order records, follows
      // the list. Edit 1078 normally equals the number of rows; after a read
      // that stopped at the order list it still shows the module's count
      // while the list keeps its earlier rows. Rows that do not exist have
      // nothing to send, so the list's row count wins, and no more than the
      // list's capacity is ever written.
      value = dialogInt(form.editText(f.controlId));
      const int rows = form.orderCount();
      if (value != rows) value = rows;
      value = std::clamp(value, 0, kMaxOrders);
      pass = true;
      break;
    }
  }
  if (f.indicatorId != 0) form.markIndicator(f.indicatorId, pass ? Mark::Ok : Mark::Error);
  if (pass) image.set(f.reg, value);
  return pass;
}

MasterOrder orderFromRow(const ConfigForm& form, int row) {
  MasterOrder o;
  o.slaveAddress = leadingInt(form.orderText(row, 1));
  o.function = leadingInt(form.orderText(row, 2));
  o.startingAddress = leadingInt(form.orderText(row, 3));
  o.registerCount = leadingInt(form.orderText(row, 4));
  o.memoryAddress = leadingInt(form.orderText(row, 5));
  o.memorySelection = static_cast<int>(form.orderData(row) & 0xFFFF);
  return o;
}

}  // namespace

bool ReadFirmwareVersion(ModbusMaster& modbus, UserPrompt& prompt) {
  if (!readBlock(modbus, block::kFirmware)) {
    error(prompt, "message 66\n\nFailed to read Firmware Version.");
    return false;
  }
  const RegisterImage& image = modbus.image();
  prompt.message("Product code: " + std::to_string(productCode(image)) + "\nProgram revision: " + programRevision(image),
                 MsgKind::Information);
  return true;
}

bool ReadParameters(DeviceContext& ctx) {
  RegisterImage& image = ctx.modbus.image();
  ConfigForm& form = ctx.form;

  image.ClearRegisterImage();
  if (!readBlock(ctx.modbus, block::kReadPorts)) {
    error(ctx.prompt, "message 53\n\nRead from device failed.");
    return false;
  }
  if (!readBlock(ctx.modbus, block::kSlaveMaster)) {
    error(ctx.prompt, "message 54\n\nRead from device failed.");
    return false;
  }
  if (productCode(image) != EXPECTED_PRODUCT_CODE && !askContinueWithForeignDevice(ctx.prompt, 55)) return false;

  form.HideAllIndicators();
  form.setEditText(ctl::kProductCode, std::to_string(productCode(image)));
  form.setEditText(ctl::kProgramVersion, programRevision(image));
  fillFields(form, image);
  form.ShowMasterOrderGroup(image.get(reg::kMasterMode) == 0);
  const int count = image.get(reg::kMasterOrderCount);
  form.setEditText(ctl::kOrderCount, std::to_string(count));

  if (!readOrders(ctx.modbus, count)) {
    error(ctx.prompt, "message 56\n\nMaster order list read error.");
    return false;
  }
  rebuildOrderList(form, image, count);

  ctx.prompt.message("message 57\n\nRead parameters from device OK.", MsgKind::Information);
  return true;
}

bool WriteParameters(DeviceContext& ctx) {
  RegisterImage& image = ctx.modbus.image();
  ConfigForm& form = ctx.form;

  image.ClearRegisterImage();
  if (!readBlock(ctx.modbus, block::kIdentity)) {
    error(ctx.prompt, "message 58\n\nWrite to device failed.");
    return false;
  }
  if (productCode(image) != EXPECTED_PRODUCT_CODE && !askContinueWithForeignDevice(ctx.prompt, 59)) return false;

  // Every field is checked, also after a failure, so that each indicator
  // shows its own field's result. The master mode is taken once, just
  // before the first slave mode field.
  bool allValid = true;
  std::optional<int> masterMode;
  for (const ConfigField& f : kConfigFields) {
    if (f.kind == FieldKind::SlaveMode && !masterMode) masterMode = form.comboIndex(ctl::kMasterMode);
    if (!checkField(f, form, ctx.limits, masterMode.value_or(-1), image)) allValid = false;
  }
  if (!allValid) {
    error(ctx.prompt, "message 60\n\nInvalid parameters.");
    return false;
  }
  form.HideAllIndicators();

  if (!writeBlock(ctx.modbus, block::kWritePorts)) {
    error(ctx.prompt, "message 61\n\nWrite to device failed.");
    return false;
  }
  if (!writeBlock(ctx.modbus, block::kSlaveMaster)) {
    error(ctx.prompt, "message 62\n\nWrite to device failed.");
    return false;
  }
  if (image.get(reg::kMasterMode) == 0) {
    const int count = image.get(reg::kMasterOrderCount);
    for (int i = 0; i < count; ++i) {
      orderFromRow(form, i).pack(image, i);
      if (!ctx.modbus.write_multiple_registers(static_cast<std::uint16_t>(orderRecordStart(i)), reg::kOrderWords,
                                               kPurge)) {
        error(ctx.prompt, "message 63\n\nWrite to device failed.");
        return false;
      }
    }
  }
  ctx.prompt.message("message 67\n\nWrite parameters to device OK.", MsgKind::Information);
  return true;
}

bool AutoSelect(DeviceContext& ctx) {
  if (!readBlock(ctx.modbus, block::kIdentity)) {
    error(ctx.prompt, "message 64\n\nFailed to AutoSelect device.");
    return false;
  }
  const std::int32_t code = productCode(ctx.modbus.image());
  if (code != EXPECTED_PRODUCT_CODE) {
    error(ctx.prompt, "message 65\n\nUnknown device\nID=" + std::to_string(code));
    return false;
  }
  ctx.form.OnSelectDevice();
  return ReadParameters(ctx);
}

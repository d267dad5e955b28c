#include "ops/form_transfer.h"

#include <algorithm>

#include "model/config_fields.h"
#include "model/control_ids.h"
#include "model/order_fields.h"
#include "model/register_map.h"
#include "ops/config_form.h"

namespace {

// Checks one field, marks its indicator and on a pass stores the value.
// Returns whether the field passed.
bool checkField(const ConfigField& f, ConfigForm& form, const FieldLimits& limits, int masterMode,
                RegisterImage& image) {
  int value = 0;
  bool empty = false;
  switch (f.kind) {
    case FieldKind::Choice:
    case FieldKind::SlaveMode:
      value = form.comboIndex(f.controlId);
      break;
    case FieldKind::Number: {
      const std::string text = form.editText(f.controlId);
      value = dialogInt(text);
      empty = text.empty();
      break;
    }
    case FieldKind::Count:
      // N is the edit's number. After a read that stopped at the order list
      // the edit still shows the module's count while the list keeps its
      // earlier rows: rows that do not exist have nothing to send, so N is
      // never more than the rows, and never more than the list's capacity.
      value = ordersWithin(std::min(dialogInt(form.editText(f.controlId)), form.orderCount()));
      break;
  }
  const bool pass = fieldPasses(f, value, empty, masterMode, limits);
  if (f.indicatorId != 0) form.markIndicator(f.indicatorId, pass ? Mark::Ok : Mark::Error);
  if (pass) image.set(f.reg, value);
  return pass;
}

}  // namespace

MasterOrder orderFromRow(const ConfigForm& form, int row) {
  MasterOrder o;
  for (const OrderFieldInfo& f : kOrderFields)
    o.*f.member = f.kind == OrderValue::Selection ? static_cast<int>(form.orderData(row) & 0xFFFF)
                                                  : leadingInt(form.orderText(row, f.column));
  return o;
}

void FormTransfer::fieldsRead(const RegisterImage& image) {
  m_form.HideAllIndicators();
  m_form.setEditText(ids::kProductCode, std::to_string(productCode(image)));
  m_form.setEditText(ids::kProgramVersion, programRevision(image));
  for (const std::uint8_t i : kWriteCheckOrder) {
    const ConfigField& f = kConfigFields[i];
    const int value = image.get(f.reg);
    switch (f.kind) {
      case FieldKind::Choice:
      case FieldKind::SlaveMode:
        // A value that is no position of the list leaves no selection.
        m_form.setComboIndex(f.controlId, value < static_cast<int>(f.choices.size()) ? value : -1);
        break;
      case FieldKind::Number:
        m_form.setEditText(f.controlId, std::to_string(value));
        break;
      case FieldKind::Count:
        break;  // after the order group, below
    }
  }
  m_form.ShowMasterOrderGroup(image.get(reg::kMasterMode) == 0);
  m_form.setEditText(ids::kOrderCount, std::to_string(image.get(reg::kMasterOrderCount)));
}

void FormTransfer::ordersRead(const RegisterImage& image, int count) {
  m_form.deleteAllOrders();
  for (int i = 0; i < count; ++i) {
    const MasterOrder o = MasterOrder::unpack(image, i);
    m_form.insertOrder(i, std::to_string(i + 1));
    for (const OrderFieldInfo& f : kOrderFields) {
      if (f.kind == OrderValue::Selection) {
        m_form.setOrderData(i, o.*f.member);
        m_form.setOrderText(i, f.column, domain::memorySelectionText(m_form.orderData(i)));
      } else {
        m_form.setOrderText(i, f.column, std::to_string(o.*f.member));
      }
    }
  }
}

bool FormTransfer::fill(RegisterImage& image) {
  // Every field is checked, also after a failure, so that each indicator
  // shows its own field's result. The master mode is taken once, just
  // before the first slave mode field.
  bool allValid = true;
  std::optional<int> masterMode;
  for (const std::uint8_t i : kWriteCheckOrder) {
    const ConfigField& f = kConfigFields[i];
    if (f.kind == FieldKind::SlaveMode && !masterMode) masterMode = m_form.comboIndex(ids::kMasterMode);
    if (!checkField(f, m_form, m_limits, masterMode.value_or(-1), image)) allValid = false;
  }
  const int count = image.get(reg::kMasterOrderCount);
  for (int i = 0; i < count; ++i) orderFromRow(m_form, i).pack(image, i);
  return allValid;
}

void FormTransfer::accepted() {
  m_form.HideAllIndicators();
}

void FormTransfer::show(const Configuration& config) {
  RegisterImage image;
  config.toImage(image);
  fieldsRead(image);
  m_form.setEditText(ids::kProductCode,
                     config.productCode ? std::to_string(*config.productCode) : std::string());
  m_form.setEditText(ids::kProgramVersion, config.programRevision.value_or(std::string()));
  ordersRead(image, image.get(reg::kMasterOrderCount));
}

std::optional<Configuration> FormTransfer::take() {
  RegisterImage image;
  if (!fill(image)) return std::nullopt;
  accepted();
  Configuration config = Configuration::fromImage(image, image.get(reg::kMasterOrderCount));
  const std::string code = m_form.editText(ids::kProductCode);
  const std::string revision = m_form.editText(ids::kProgramVersion);
  config.productCode.reset();
  config.programRevision.reset();
  if (!code.empty()) config.productCode = dialogInt(code);
  if (!revision.empty()) config.programRevision = revision;
  return config;
}
